// The arithmetic of the recording cycle: when the readout refreshes, which limit alarms a value
// raises or clears, how the alarm blinks and how the readout is written.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

namespace tavin {

// The readout, lamp and limit check follow about every 100 ms of sampled data and at least
// whenever the wall-clock second changed between the last two frames.
bool RefreshDue(std::int16_t refreshCount, std::int32_t sampling, double lastRecvTime, double prevRecvTime);

enum AlarmBit : std::uint16_t { AlarmLow = 1, AlarmHigh = 2 };

struct LimitCheck {
    std::uint16_t set = 0;    // alarms the value raises
    std::uint16_t clear = 0;  // alarms the value ends
};
// EtcUpperLimit in `etcConf` enables the upper limit, EtcLowerLimit the lower one.
LimitCheck CheckLimits(float value, float limitHi, float limitLow, std::int16_t etcConf);

// The alarm blink: twice a second the readout alternates between the alarm colour and normal
// (both alarms: red and blue).
enum class BlinkColour { Normal, Red, Blue };
struct AlarmBlink {
    std::uint16_t AlarmBits = 0;
    QString Tag;  // "1": the next step shows the alarm colour
    bool running = false;

    // Adds alarms; true when the blink starts now (the caller runs one step at once).
    bool AlarmSet(std::uint16_t bits);
    // Removes alarms; true when none is left (the blink stops, the readout turns normal).
    bool AlarmClear(std::uint16_t bits);
    // One tick. `measuring` false or no alarm left stops the blink (colour Normal, running false).
    BlinkColour step(bool measuring);
};

// The readout: the value in the readout format, with "+" in front of a positive value. Without a
// format yet, the general form.
QString ReadoutText(float value, std::string_view format);

}  // namespace tavin
