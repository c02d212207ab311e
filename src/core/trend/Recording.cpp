#include "core/trend/Recording.h"

#include "core/app/ConfFile.h"
#include "core/platform/NumText.h"

namespace tavin {

bool RefreshDue(std::int16_t refreshCount, std::int32_t sampling, double lastRecvTime, double prevRecvTime)
{
    const double every = sampling > 0 ? 100.0 / double(sampling) : 0.0;
    return double(refreshCount) >= every || lastRecvTime != prevRecvTime;
}

LimitCheck CheckLimits(float value, float limitHi, float limitLow, std::int16_t etcConf)
{
    const bool over = value > limitHi && EtcConfHas(etcConf, EtcUpperLimit);
    const bool under = value < limitLow && EtcConfHas(etcConf, EtcLowerLimit);
    LimitCheck c;
    c.set = std::uint16_t((over ? AlarmHigh : 0) | (under ? AlarmLow : 0));
    c.clear = std::uint16_t((over ? 0 : AlarmHigh) | (under ? 0 : AlarmLow));
    return c;
}

bool AlarmBlink::AlarmSet(std::uint16_t bits)
{
    AlarmBits |= bits;
    if ((AlarmBits & (AlarmLow | AlarmHigh)) == 0 || running)
        return false;
    Tag = QStringLiteral("1");
    running = true;
    return true;
}

bool AlarmBlink::AlarmClear(std::uint16_t bits)
{
    AlarmBits &= std::uint16_t(~bits);
    if (AlarmBits != 0)
        return false;
    running = false;
    return true;
}

BlinkColour AlarmBlink::step(bool measuring)
{
    auto stop = [this] {
        running = false;
        Tag.clear();
        return BlinkColour::Normal;
    };
    if (!measuring)
        return stop();
    if (Tag == QStringLiteral("1")) {
        Tag = QStringLiteral("0");
        if (AlarmBits & AlarmHigh)
            return BlinkColour::Red;
        return (AlarmBits & AlarmLow) ? BlinkColour::Blue : BlinkColour::Normal;
    }
    if (AlarmBits == 0)
        return stop();
    Tag = QStringLiteral("1");
    return AlarmBits == (AlarmLow | AlarmHigh) ? BlinkColour::Blue : BlinkColour::Normal;
}

QString ReadoutText(float value, std::string_view format)
{
    const QString text = format.empty() ? GeneralSingle(value) : FormatNumber(double(value), format);
    return value > 0 ? u'+' + text : text;
}

}  // namespace tavin
