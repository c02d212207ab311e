// The reference curve: a second recording drawn thinly under the graph's own data, such as a known-good
// workpiece's pressure curve under the one on test. It keeps its samples, sampling period, coefficient
// and file name apart from the sample store, so that nothing of it is ever saved or exported, and
// says which of its samples fall on a page of the graph.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace tavin {

// The reference samples that cross a page, and where they sit on it.
struct ReferenceSpan {
    // Samples first..last: from the last at or before the page's start to the first at or after
    // its end, so that the line runs across both edges. None when last < first.
    std::int32_t first = 0;
    std::int32_t last = -1;
    double step = 1;  // graph samples from one reference sample to the next
    double at = 0;    // where reference sample 0 lies, in graph samples from the page's start
    bool empty() const { return last < first; }
};

class ReferenceCurve {
public:
    ReferenceCurve() = default;
    // `periodMs` 0 (a file that does not give it): drawn sample for sample with the graph.
    ReferenceCurve(std::vector<float> values, double periodMs, float keisu, QString name);

    bool empty() const { return values_.empty(); }
    const std::vector<float>& values() const { return values_; }
    double periodMs() const { return periodMs_; }
    float keisu() const { return keisu_; }
    const QString& name() const { return name_; }

    // The samples on the page from graph sample `start` spanning `span` samples of `shownPeriodMs`,
    // with reference sample 0 at graph sample `origin`. Reference sample j lies at graph position
    // origin + j × periodMs / shownPeriodMs: the two are aligned by time, not by index.
    ReferenceSpan onPage(std::int32_t start, double span, std::int32_t origin, double shownPeriodMs) const;

private:
    std::vector<float> values_;
    double periodMs_ = 0;
    float keisu_ = 1;
    QString name_;
};

}  // namespace tavin
