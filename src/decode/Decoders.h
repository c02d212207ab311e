// The gauge frame decoders: check a frame's block check characters and read its value, unit,
// battery level and reference character. Pure functions; the window writes the results to labels.
#pragma once

#include <cstdint>
#include <string_view>

namespace tavin {

struct Decoded {
    enum class Outcome : std::uint8_t {
        Ignored,   // too short or too long to be a frame: nothing is shown
        BccError,  // the check characters do not match: the frame is rejected
        Value,     // a value to store
    };
    Outcome outcome = Outcome::Ignored;

    // The frame text as the decoder leaves it (a short frame is rewritten to its value text).
    std::string_view text() const { return rewritten ? std::string_view(buf, len) : input; }

    // BccError: the two received check characters and the sum computed over the frame.
    std::string_view bccReceived;
    unsigned bccComputed = 0;

    // Value.
    float value = 0.0f;
    std::string_view valueText;  // the text the value and the readout format are read from
    bool setsUnit = false;       // the unit label follows the frame (all kinds but 5)
    char unit = 0;               // 'M', 'k', 'P' or 0 for none
    bool setsReference = false;  // the reference label follows the frame (kinds 0-3)
    char reference = 0;          // 0: empty
    bool batteryRead = false;    // frames of 12 characters or more carry a battery level
    std::int32_t battery = 0;    // tenths of a volt
    bool overlong = false;       // kind 4 with more than 9 characters: shown as a notice, still decoded

    std::string_view input;
    char buf[8] = {};
    std::uint8_t len = 0;
    bool rewritten = false;
};

// Kinds 0, 1, 2, 3: long frames of 8 to 100 characters and short frames of 6.
Decoded DecodeVrtRq(std::string_view frame);
// Kind 4: 9 characters, unit digit and upper-case BCC.
Decoded DecodeQz(std::string_view frame);
// Kind 5: the number text the receive path made of a binary frame.
Decoded DecodeMw200(std::string_view frame);
// The decoder of a gauge kind; kind 6 and unknown kinds ignore every frame.
Decoded DecodeFrame(int term, std::string_view frame);

// Sum of the character codes modulo 256.
unsigned BccSum(std::string_view text);

// The readout format for a value text: only at the first sample or while the format is not yet
// one of the four-character ones. Digits before the decimal point choose "0.000", "0.00", "0.0"
// or "0000"; a text without a point changes nothing.
void SetDispFormat(std::int32_t index, std::string_view& format, std::string_view valueText);

}  // namespace tavin
