#include "GaugeFrames.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tavin::sim {

namespace {

std::string hex2(unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(v >> 4) & 0xF], digits[v & 0xF]};
}

unsigned sum(const std::string& s)
{
    unsigned total = 0;
    for (unsigned char c : s)
        total += c;
    return total & 0xFF;
}

std::string bcc(const std::string& covered, bool bad) { return hex2(sum(covered) + (bad ? 1 : 0)); }

// Kind 5 carries a four-digit number with 0 to 3 decimals.
void binaryDigits(double value, int& decimals, int& number)
{
    const double a = std::fabs(value);
    decimals = a < 9.9995 ? 3 : a < 99.995 ? 2 : a < 999.95 ? 1 : 0;
    number = int(std::lround(a * std::pow(10.0, decimals)));
    if (number > 9999)
        number = 9999;
}

}  // namespace

std::string ValueText6(double value)
{
    char buf[32];
    const double a = std::fabs(value);
    if (a < 9.9995)
        std::snprintf(buf, sizeof buf, "%.3f", a);
    else if (a < 99.995)
        std::snprintf(buf, sizeof buf, "%.2f", a);
    else if (a < 999.95)
        std::snprintf(buf, sizeof buf, "%.1f", a);
    else
        std::snprintf(buf, sizeof buf, "%05ld", std::lround(std::fmin(a, 99999.0)));
    return std::string(value < 0 ? "-" : "+") + buf;
}

std::string ExpectedValueText(const FrameSpec& wire)
{
    if (wire.kind == 5) {
        int decimals, number;
        binaryDigits(wire.value, decimals, number);
        char buf[32];
        static const char* formats[] = {"%04d", "%d.%03d", "%02d.%02d", "%03d.%d"};
        static const int scale[] = {1, 1000, 100, 10};
        if (decimals == 0)
            std::snprintf(buf, sizeof buf, formats[0], number);
        else
            std::snprintf(buf, sizeof buf, formats[decimals], number / scale[decimals],
                          number % scale[decimals]);
        const bool negative = wire.value < 0 && number != 0;
        return std::string(negative ? "-" : "") + buf;
    }
    return ValueText6(wire.value);
}

std::string EncodeFrame(const FrameSpec& wire)
{
    const std::string value = ValueText6(wire.value);
    const char unit = wire.unit == '-' ? ' ' : wire.unit;
    switch (wire.kind) {
    case 0:
    case 2:
    case 3: {
        std::string text;
        if (wire.shortForm) {
            // Sign and first digit in one character, a letter for a digit after the point.
            const bool negative = value[0] == '-';
            bool point = false;
            for (std::size_t i = 1; i < value.size() && text.size() < 4; ++i) {
                const char c = value[i];
                if (c == '.') {
                    point = true;
                    continue;
                }
                if (text.empty())
                    text += negative ? char(c + 17) : c;
                else
                    text += point ? char(c + 17) : c;
                point = false;
            }
            return "\x02" + text + bcc(text, wire.badBcc) + "\x03";
        }
        char battery[8];
        std::snprintf(battery, sizeof battery, "%02d", wire.battery % 100);
        text = value + "00" + battery + unit + wire.reference + "00";
        return "\x02" + text + bcc(text, wire.badBcc) + "\x03";
    }
    case 1: {
        // ':' then 28 header characters (the sequence pair at 4-5 must not be 00), the 8 frame
        // characters as hexadecimal pairs, and one closing character.
        // The receiver computes the check value itself, so this kind has none to corrupt.
        std::string frame = ":000001";
        frame.append(22, '0');
        for (unsigned char c : value + "00")
            frame += hex2(c);
        frame += '0';
        return frame + "\r\n";
    }
    case 4: {
        const char digit = wire.unit == 'P' ? '0' : wire.unit == 'k' ? '1' : wire.unit == 'M' ? '2' : '3';
        std::string text = value + digit;
        return "\x02" + text + bcc(text, wire.badBcc) + "\x03";
    }
    case 5: {
        int decimals, number;
        binaryDigits(wire.value, decimals, number);
        const unsigned char flags = (wire.value < 0 ? 0x40 : 0) | decimals;
        const unsigned char data[3] = {flags, (unsigned char)(number / 100), (unsigned char)(number % 100)};
        const unsigned check = ((data[0] + data[1] + data[2]) & 0x7F) ^ (wire.badBcc ? 1 : 0);
        return std::string{char(0x83), char(data[0]), char(data[1]), char(data[2]), char(check)};
    }
    default: return {};
    }
}

}  // namespace tavin::sim
