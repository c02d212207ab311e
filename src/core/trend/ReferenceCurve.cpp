#include "core/trend/ReferenceCurve.h"

#include <algorithm>
#include <cmath>

namespace tavin {

ReferenceCurve::ReferenceCurve(std::vector<float> values, double periodMs, float keisu, QString name)
    : values_(std::move(values)), periodMs_(periodMs), keisu_(keisu), name_(std::move(name))
{
}

ReferenceSpan ReferenceCurve::onPage(std::int32_t start, double span, std::int32_t origin,
                                     double shownPeriodMs) const
{
    ReferenceSpan s;
    const double step = periodMs_ / shownPeriodMs;
    s.step = std::isfinite(step) && step > 0 ? step : 1;
    s.at = double(origin) - double(start);
    if (values_.empty() || !(span >= 0))
        return s;
    // The page's edges in reference samples.
    const double from = -s.at / s.step, to = (span - s.at) / s.step;
    const double lastIndex = double(values_.size() - 1);
    if (to < 0 || from > lastIndex)
        return s;  // the page lies wholly before or after the reference
    s.first = std::int32_t(std::clamp(std::floor(from), 0.0, lastIndex));
    s.last = std::int32_t(std::clamp(std::ceil(to), 0.0, lastIndex));
    return s;
}

}  // namespace tavin
