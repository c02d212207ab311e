#include "core/decode/Sampling.h"

#include "core/app/ConfFile.h"
#include "core/platform/NumText.h"

namespace tavin {

const QStringList& SamplingEntries()
{
    static const QStringList entries = {
        QStringLiteral(" 1 msec"),  QStringLiteral(" 2 msec"),  QStringLiteral(" 5 msec"),
        QStringLiteral("10 msec"),  QStringLiteral("20 msec"),  QStringLiteral("50 msec"),
        QStringLiteral(" 0.1 sec"), QStringLiteral(" 0.2 sec"), QStringLiteral(" 0.5 sec"),
        QStringLiteral(" 1 sec"),   QStringLiteral(" 2 sec"),   QStringLiteral(" 5 sec"),
        QStringLiteral(" 10 sec"),  QStringLiteral(" 20 sec"),  QStringLiteral(" 30 sec"),
        QStringLiteral(" 60 sec"),  QStringLiteral("120 sec"),  QStringLiteral("180 sec"),
        QStringLiteral("300 sec"),  QStringLiteral("600 sec"),
    };
    return entries;
}

const QStringList& SamplingMenuCaptions()
{
    static const QStringList captions = [] {
        QStringList out;
        for (const QString& e : SamplingEntries())
            out << e.trimmed().replace(QStringLiteral("msec"), QStringLiteral("ms"));
        return out;
    }();
    return captions;
}

std::int32_t SampToStd(float ms)
{
    static constexpr struct {
        float below;
        std::int32_t result;
    } bands[] = {
        {4, 2},         {8, 5},           {15, 10},         {30, 20},         {75, 50},
        {150, 100},     {250, 200},       {750, 500},       {1250, 1000},     {2500, 2000},
        {4000, 3000},   {6000, 5000},     {15000, 10000},   {25000, 20000},   {40000, 30000},
        {70000, 60000}, {130000, 120000}, {200000, 180000}, {330000, 300000},
    };
    for (const auto& b : bands)
        if (ms < b.below)
            return b.result;
    return 600000;
}

std::int32_t SampTextToMsec(QStringView text)
{
    const double v = Val(text);
    if (FindText(1, text, u"msec") == 0)
        return CLng(v * 1000.0);
    return CLng(v);
}

double PeriodTextToMsec(QStringView text)
{
    const auto pieces = text.split(u' ', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return 0.0;
    const double number = Val(pieces[0]);
    const QStringView unit = pieces.size() > 1 ? pieces[1] : QStringView(u"msec");
    if (FindText(1, unit, u"msec") > 0 || FindText(1, unit, u"ms") > 0)
        return number;
    if (FindText(1, unit, u"sec") > 0)
        return number * 1000.0;
    if (FindText(1, unit, u"min") > 0)
        return number * 60000.0;
    return number;
}

QString SamplingLabel(std::int32_t ms)
{
    if (ms < 100)
        return QString::number(ms) + QStringLiteral(" msec");
    if (ms < 60000)
        return GeneralDouble(Round(ms / 1000.0, 2)) + QStringLiteral(" 秒");
    return GeneralDouble(Round(ms / 60000.0, 2)) + QStringLiteral(" 分");
}

}  // namespace tavin
