#include "core/trend/Evaluation.h"

#include "core/platform/NumText.h"
#include "core/platform/SampleAxis.h"
#include "core/platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tavin {

namespace {

// A value as the screen and the recording show it: the product of the shortest decimals of value
// and coefficient, so that a gauge's 199.7 stays 199.7 and a drop of 0.6 is not 0.600006.
double Shown(float value, float k)
{
    char text[48];
    *WriteProduct(text, value, k) = '\0';
    return std::strtod(text, nullptr);
}

// The decimals a value's text shows.
int DecimalsOf(const QString& t)
{
    const qsizetype dot = t.indexOf(u'.');
    return dot < 0 || t.contains(u'e') ? 0 : int(t.size() - dot - 1);
}

// For a mean or a spread: one decimal more than the finer of two values shows, at most six.
int FinerDecimals(const QString& a, const QString& b)
{
    return std::min(std::max(DecimalsOf(a), DecimalsOf(b)) + 1, 6);
}

// A shown value as it reads: its decimals whole, no more (they come from the gauge's text).
QString ValueText(double v) { return QString::number(v, 'g', 15); }

}  // namespace

IntervalStats StatsOver(const float* values, std::int32_t count, std::int32_t first, std::int32_t last,
                        float k, double periodS)
{
    IntervalStats s;
    if (first > last)
        std::swap(first, last);
    first = std::clamp<std::int32_t>(first, 0, std::max(count - 1, 0));
    last = std::clamp<std::int32_t>(last, first, std::max(count - 1, 0));
    if (count <= 0)
        return s;
    s.first = first;
    s.last = last;
    s.count = last - first + 1;
    s.seconds = double(last - first) * periodS;
    std::vector<double> shownValues(std::size_t(last - first + 1));
    for (std::int32_t i = first; i <= last; ++i)
        shownValues[std::size_t(i - first)] = Shown(values[i], k);
    const auto shown = [&](std::int32_t i) { return shownValues[std::size_t(i - first)]; };
    s.startValue = shown(first);
    s.endValue = shown(last);
    s.delta = s.endValue - s.startValue;
    s.perSecond = s.seconds > 0 ? s.delta / s.seconds : 0;
    s.perMinute = s.perSecond * 60;
    s.min = s.max = s.startValue;
    // Two passes: the mean first, then the squares about it, so that a large offset (a gauge at
    // 100 kPa moving by pascals) loses no digits to cancellation.
    double sum = 0;
    for (std::int32_t i = first; i <= last; ++i) {
        const double v = shown(i);
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
        sum += v;
    }
    s.mean = sum / s.count;
    double squares = 0;
    for (std::int32_t i = first; i <= last; ++i)
        squares += (shown(i) - s.mean) * (shown(i) - s.mean);
    s.stddev = std::sqrt(squares / s.count);
    return s;
}

void RawSummary::add(const float* values, std::int32_t first, std::int32_t last)
{
    if (first < 0 || last < first)
        return;
    if (count == 0)
        lo = hi = values[first];
    for (std::int32_t i = first; i <= last; ++i) {
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
        sum += values[i];
    }
    count += last - first + 1;
}

RangeSummary RawSummary::shown(float k) const
{
    RangeSummary s;
    if (count == 0)
        return s;
    s.count = count;
    // A negative coefficient turns the smallest raw value into the largest shown.
    s.min = Shown(k < 0 ? hi : lo, k);
    s.max = Shown(k < 0 ? lo : hi, k);
    s.mean = sum / count * double(k);
    return s;
}

RangeSummary SummaryOver(const float* values, std::int32_t first, std::int32_t last, float k)
{
    RawSummary r;
    r.add(values, first, last);
    return r.shown(k);
}

QString SummaryText(const RangeSummary& s)
{
    if (s.count == 0)
        return QString();
    const QString min = QString::number(s.min, 'g', 15), max = QString::number(s.max, 'g', 15);
    return QStringLiteral("最小 %1  最大 %2  平均 %3")
        .arg(min, max, QString::number(s.mean, 'f', FinerDecimals(min, max)));
}

DecayResult EvaluateDecay(const float* values, std::int32_t count, std::int32_t from, float k, double periodS,
                          const DecayTest& test, const QString& unit)
{
    DecayResult r;
    if (periodS <= 0 || test.holdS <= 0)
        return r;
    // The hold starts at the first sample after the settle time and ends at the first sample
    // that completes it; a hold the data does not reach is not judged.
    const auto first = std::int64_t(from) + std::int64_t(std::ceil(test.settleS / periodS - 1e-9));
    const auto last = first + std::int64_t(std::ceil(test.holdS / periodS - 1e-9));
    if (from < 0 || last >= count)
        return r;
    r.stats = StatsOver(values, count, std::int32_t(first), std::int32_t(last), k, periodS);
    r.drop = -r.stats.delta;
    r.dropPerMin = -r.stats.perMinute;
    const bool dropOk = !test.maxDrop || r.drop <= *test.maxDrop;
    const bool rateOk = !test.maxDropPerMin || r.dropPerMin <= *test.maxDropPerMin;
    r.verdict = dropOk && rateOk ? Verdict::Ok : Verdict::Ng;
    if (test.volumeMl && r.stats.seconds > 0)
        if (const std::optional<double> atm = AtmosphereIn(unit))
            r.leakMlPerMin = *test.volumeMl * r.drop / *atm / (r.stats.seconds / 60);
    return r;
}

std::optional<double> AtmosphereIn(const QString& unit)
{
    // 101325 Pa in each unit of the unit menu (kPaA, an absolute reading, counts as kPa).
    static const QHash<QString, double> atm = {
        {QStringLiteral("Pa"), 101325},         {QStringLiteral("hPa"), 1013.25},
        {QStringLiteral("kPa"), 101.325},       {QStringLiteral("kPaA"), 101.325},
        {QStringLiteral("MPa"), 0.101325},      {QStringLiteral("atm"), 1},
        {QStringLiteral("torr"), 760},          {QStringLiteral("psi"), 14.6959488},
        {QStringLiteral("mbar"), 1013.25},      {QStringLiteral("bar"), 1.01325},
        {QStringLiteral("mmHg"), 760.002},      {QStringLiteral("cmHg"), 76.0002},
        {QStringLiteral("inchHg"), 29.9213},    {QStringLiteral("mmH2O"), 10332.27},
        {QStringLiteral("cmH2O"), 1033.227},    {QStringLiteral("inchH2O"), 406.7825},
        {QStringLiteral("kgf/cm2"), 1.0332275},
    };
    const auto it = atm.constFind(unit);
    if (it == atm.constEnd())
        return std::nullopt;
    return *it;
}

QString VerdictText(Verdict v)
{
    switch (v) {
    case Verdict::Ok: return QStringLiteral("OK");
    case Verdict::Ng: return QStringLiteral("NG");
    case Verdict::TooShort: break;
    }
    return QStringLiteral("判定不能");
}

namespace {

QString number(double v) { return QString::number(v, 'g', 6); }

// A field of the results file, quoted when it holds a comma, a quote or a line break.
QString field(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

}  // namespace

QString CriterionText(const DecayTest& test, const QString& unit)
{
    QStringList parts;
    if (test.maxDrop)
        parts << QStringLiteral("Δp≦%1 %2").arg(number(*test.maxDrop), unit);
    if (test.maxDropPerMin)
        parts << QStringLiteral("≦%1 %2/min").arg(number(*test.maxDropPerMin), unit);
    return parts.join(QStringLiteral(" かつ "));
}

DecayTestParse ParseDecayTest(const DecayTexts& t, bool holdGiven)
{
    DecayTest test;
    test.name = t.name.trimmed();
    QString error;
    // A box's number: none when empty, an error when it is no number or negative.
    const auto read = [&](const QString& text, const QString& what) -> std::optional<double> {
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || !error.isEmpty())
            return std::nullopt;
        bool ok = false;
        const double v = trimmed.toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < 0)
            error = QStringLiteral("%1に 0 以上の数値を入力してください: %2").arg(what, trimmed);
        return ok ? std::optional<double>(v) : std::nullopt;
    };
    if (!holdGiven) {
        test.settleS = read(t.settleS, QStringLiteral("安定待ち時間")).value_or(0);
        test.holdS = read(t.holdS, QStringLiteral("保持時間")).value_or(0);
        if (error.isEmpty() && test.holdS <= 0)
            error = QStringLiteral("保持時間を入力してください。");
    }
    test.maxDrop = read(t.maxDrop, QStringLiteral("許容降下"));
    test.maxDropPerMin = read(t.maxDropPerMin, QStringLiteral("許容降下率"));
    test.volumeMl = read(t.volumeMl, QStringLiteral("容積"));
    if (error.isEmpty() && !test.maxDrop && !test.maxDropPerMin)
        error = QStringLiteral("許容降下か許容降下率を入力してください。");
    if (!error.isEmpty())
        return {std::nullopt, error};
    return {test, QString()};
}

QString DecayFiguresText(const DecayResult& r, const DecayTest& test, const QString& unit)
{
    if (r.verdict == Verdict::TooShort)
        return QStringLiteral("保持時間に届くデータがありません");
    QString text =
        QStringLiteral("Δp %1 %2 (%3 %2/min) 基準 %4")
            .arg(number(r.stats.delta), unit, number(r.stats.perMinute), CriterionText(test, unit));
    if (r.leakMlPerMin)
        text += QStringLiteral(" 漏れ量 %1 mL/min").arg(number(*r.leakMlPerMin));
    return text;
}

QStringList DecayReportLines(const DecayRecord& d)
{
    QString head = QStringLiteral("圧力降下試験");
    if (!d.test.name.isEmpty())
        head += u' ' + d.test.name;
    if (d.result.verdict != Verdict::TooShort)
        head += QStringLiteral("  区間 %1–%2 s")
                    .arg(number(d.result.stats.first * d.periodS), number(d.result.stats.last * d.periodS));
    head += QStringLiteral("  判定 ") + VerdictText(d.result.verdict);
    return {head,
            DecayFiguresText(d.result, d.test, d.unit) + QStringLiteral("  (評価 %1)").arg(d.evaluatedAt)};
}

QList<QList<Figure>> IntervalFigures(const IntervalStats& s, const QString& startTime, const QString& endTime,
                                     const QString& unit)
{
    const QString start = ValueText(s.startValue), end = ValueText(s.endValue), min = ValueText(s.min),
                  max = ValueText(s.max);
    // Δp at the values' decimals (199.9 − 198.9 is 1.0, not 0.99999999999999); the mean and the
    // spread one finer.
    const int decimals = std::max({DecimalsOf(start), DecimalsOf(end), DecimalsOf(min), DecimalsOf(max)});
    const int finer = std::min(decimals + 1, 6);
    const QString u =
        unit.isEmpty() || unit == QStringLiteral("---") ? QString() : QStringLiteral(" (%1)").arg(unit);
    return {
        {{QStringLiteral("開始"), startTime},
         {QStringLiteral("終了"), endTime},
         {QStringLiteral("Δt (s)"), number(s.seconds)},
         {QStringLiteral("点数"), QString::number(s.count)}},
        {{QStringLiteral("始値") + u, start},
         {QStringLiteral("終値") + u, end},
         {QStringLiteral("Δp") + u, QString::number(s.delta, 'f', decimals)}},
        {{QStringLiteral("変化率 (/s)"), number(s.perSecond)},
         {QStringLiteral("変化率 (/min)"), number(s.perMinute)}},
        {{QStringLiteral("最小"), min},
         {QStringLiteral("最大"), max},
         {QStringLiteral("平均"), QString::number(s.mean, 'f', finer)},
         {QStringLiteral("標準偏差"), QString::number(s.stddev, 'f', finer)}},
    };
}

QString SampleClockText(const double* stamps, std::int32_t count, std::int32_t index, double periodMs)
{
    SegmentAxis axis(periodMs);
    std::int64_t ms = 0;
    for (std::int32_t i = 0; i <= index && axis.next(stamps, count, true, &ms); ++i) {
    }
    const QString clock = FormatDate(double(ms - ms % 1000) / 86400000.0, u"hh:nn:ss");
    return periodMs >= 1000 ? clock : clock + QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString IntervalPanelText(const QList<QList<Figure>>& lines)
{
    QStringList out;
    for (const QList<Figure>& line : lines) {
        QStringList parts;
        for (const Figure& f : line)
            parts << f.name + u' ' + f.value;
        out << parts.join(QStringLiteral("  "));
    }
    return out.join(u'\n');
}

QString IntervalCopyText(const QList<QList<Figure>>& lines)
{
    QString out;
    for (const QList<Figure>& line : lines)
        for (const Figure& f : line)
            out += f.name + u'\t' + f.value + u'\n';
    return out;
}

QString DecayResultsHeader()
{
    return QStringLiteral("評価時刻,記録ファイル,試験名,開始(s),終了(s),Δp,変化率(/min),単位,判定基準,判定");
}

QString DecayResultsLine(const QString& evaluatedAt, const QString& recording, const DecayTest& test,
                         const DecayResult& r, const QString& unit, double periodS)
{
    const bool judged = r.verdict != Verdict::TooShort;
    const QStringList fields{
        evaluatedAt,
        field(recording),
        field(test.name),
        judged ? number(r.stats.first * periodS) : QString(),
        judged ? number(r.stats.last * periodS) : QString(),
        judged ? number(r.stats.delta) : QString(),
        judged ? number(r.stats.perMinute) : QString(),
        field(unit),
        field(CriterionText(test, unit)),
        VerdictText(r.verdict),
    };
    return fields.join(u',');
}

bool AppendDecayResult(const QString& folder, const QString& line, QString* error)
{
    const QString path = QDir(folder).filePath(QLatin1String(DecayResultsName));
    QByteArray bytes;
    if (!QFileInfo::exists(path))
        bytes = "\xEF\xBB\xBF" + DecayResultsHeader().toUtf8() + "\r\n";
    bytes += line.toUtf8() + "\r\n";
    return AppendToFile(path, bytes, error);
}

}  // namespace tavin
