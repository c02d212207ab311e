// Judging a stretch of a recording: the figures of an interval between two samples, and the
// pressure-decay (leak) test that leak testers run after filling and settling: over a hold time,
// did the pressure drop less than allowed? Values are the shown ones (raw times the coefficient, as
// decimals); times run on the recording's axis, one sampling period a sample.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace tavin {

// The figures between samples `first` and `last` (both included).
struct IntervalStats {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t count = 0;  // samples in the interval
    double seconds = 0;      // Δt: from the first sample to the last
    double startValue = 0;   // the value at each end
    double endValue = 0;
    double delta = 0;      // Δp = end − start
    double perSecond = 0;  // Δp / Δt; 0 for an interval of one sample
    double perMinute = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double stddev = 0;  // of the population (the interval's samples are all there is)
};

// `values`: raw samples; `k`: the coefficient; `periodS`: the sampling period in seconds. The
// ends are taken in either order and must lie within the `count` samples.
IntervalStats StatsOver(const float* values, std::int32_t count, std::int32_t first, std::int32_t last,
                        float k, double periodS);

// One figure of the interval's panel: its name (with the unit where it has one) and its value.
struct Figure {
    QString name;
    QString value;
};
// The panel's figures in four lines: the times and count, the values at the ends, the rate, the
// spread. `startTime`, `endTime`: the ends' clock times as the window shows them.
QList<QList<Figure>> IntervalFigures(const IntervalStats& s, const QString& startTime, const QString& endTime,
                                     const QString& unit);
// The clock time of sample `index` on the segment's time axis (SampleAxis.h: one period a sample
// where the stamps say no more), "hh:nn:ss", with milliseconds below a second's period.
QString SampleClockText(const double* stamps, std::int32_t count, std::int32_t index, double periodMs);
// As the panel shows them: "name value" two spaces apart, a line each.
QString IntervalPanelText(const QList<QList<Figure>>& lines);
// For a spreadsheet: a row "name<TAB>value" per figure.
QString IntervalCopyText(const QList<QList<Figure>>& lines);

// Minimum, maximum and mean of samples `first`..`last` as shown: one pass over the raw values, fast
// enough for every screen refresh; only the results are made decimals.
struct RangeSummary {
    std::int32_t count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
};
RangeSummary SummaryOver(const float* values, std::int32_t first, std::int32_t last, float k);
// The same kept as raw figures, to which the samples a measurement adds are added as they come.
struct RawSummary {
    std::int32_t count = 0;
    float lo = 0;
    float hi = 0;
    double sum = 0;

    void add(const float* values, std::int32_t first, std::int32_t last);
    RangeSummary shown(float k) const;
};
// "最小 199.4  最大 200  平均 199.71"; the mean with one decimal more than the values show. Empty
// for no sample.
QString SummaryText(const RangeSummary& s);

// A pressure-decay test: the settle time skipped from the interval's start, the hold time judged
// after it, and what may be lost over it.
struct DecayTest {
    QString name;                         // the test's name, for the results file
    double settleS = 0;                   // skipped from the start
    double holdS = 0;                     // judged after the settle time
    std::optional<double> maxDrop;        // allowed fall of pressure over the hold time
    std::optional<double> maxDropPerMin;  // allowed fall a minute; either or both
    std::optional<double> volumeMl;       // the tested volume: the leak as a flow
};

// A test as a dialog's boxes give it: numbers as typed, an empty box for a criterion not used.
struct DecayTexts {
    QString name;
    QString settleS = QStringLiteral("0");
    QString holdS = QStringLiteral("30");
    QString maxDrop;
    QString maxDropPerMin;
    QString volumeMl;
};
// The test the texts describe, or why they describe none (`error`). `holdGiven`: the hold is the
// cursors' interval, so the settle and hold boxes are not read.
struct DecayTestParse {
    std::optional<DecayTest> test;
    QString error;
};
DecayTestParse ParseDecayTest(const DecayTexts& t, bool holdGiven);

enum class Verdict { Ok, Ng, TooShort };

struct DecayResult {
    Verdict verdict = Verdict::TooShort;
    IntervalStats stats;  // over the hold time (when not TooShort)
    double drop = 0;      // start − end: positive when the pressure fell
    double dropPerMin = 0;
    std::optional<double> leakMlPerMin;  // V·Δp / (p_atm·Δt), with a volume and a known unit
};

// Judges the samples from `from` on (a recording's start, or the first cursor). A hold time the
// data does not reach gives TooShort. A drop within both allowances is OK; one beyond either NG.
DecayResult EvaluateDecay(const float* values, std::int32_t count, std::int32_t from, float k, double periodS,
                          const DecayTest& test, const QString& unit);

// Atmospheric pressure (101.325 kPa) in one of the gauge's units; none for a unit of the user's.
std::optional<double> AtmosphereIn(const QString& unit);

// "OK" or "NG" as test benches write them; "判定不能" when the data is too short.
QString VerdictText(Verdict v);

// The figures a verdict was judged on: "Δp -0.6 kPa (-1.2 kPa/min) 基準 Δp≦0.5 kPa", the leak as
// a flow when there is one; for too short a recording, why it was not judged.
QString DecayFiguresText(const DecayResult& r, const DecayTest& test, const QString& unit);

// An evaluation as the report carries it: what was judged, when, and the outcome.
struct DecayRecord {
    DecayTest test;
    DecayResult result;
    QString unit;
    double periodS = 0;
    QString evaluatedAt;  // "yyyy/mm/dd hh:nn:ss"
};
// "圧力降下試験 NAME  区間 12–42 s  判定 OK" and the figures, two lines for a sheet or a header.
QStringList DecayReportLines(const DecayRecord& d);

// The criterion in words: "Δp≦0.5 kPa", "≦0.1 kPa/min", or both joined by " かつ ".
QString CriterionText(const DecayTest& test, const QString& unit);

// One line of the results file beside the recordings (UTF-8 CSV), and its header.
QString DecayResultsHeader();
// The interval's ends are given in seconds from the recording's first sample.
QString DecayResultsLine(const QString& evaluatedAt, const QString& recording, const DecayTest& test,
                         const DecayResult& r, const QString& unit, double periodS);

// The results file in `folder`: "decay-results.csv", UTF-8 with a byte-order mark (so that a
// spreadsheet reads its Japanese), CR LF, its header written when the file is new. False, with
// why, when the line could not be added.
constexpr const char* DecayResultsName = "decay-results.csv";
bool AppendDecayResult(const QString& folder, const QString& line, QString* error);

}  // namespace tavin
