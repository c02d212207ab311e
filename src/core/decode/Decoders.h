// The gauge frame decoders: check a frame's block check characters and read its value, unit,
// battery level and reference character. Pure functions; the window writes the results to labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavin {

// What a decoder found in one frame. It holds its own copy of the frame text and hands out views
// into that copy, so a result stays valid when it is copied or returned and when the receive
// buffer the frame came from is reused. No allocation: the receive path decodes every frame.
class Decoded {
public:
    // The longest text kept: the longest frame kinds 0-3 decode. A longer text (an overlong kind 4
    // frame, a long kind 5 text) is decoded from the caller's whole frame, while text()
    // and valueText() keep its first MaxText characters.
    static constexpr std::size_t MaxText = 100;

    enum class Outcome : std::uint8_t {
        Ignored,   // too short or too long to be a frame: nothing is shown
        BccError,  // the check characters do not match: the frame is rejected
        BadValue,  // the check characters match but the value field is no number as the kind
                   // writes it: the frame is rejected and text() holds it as it came
        Value,     // a value to store
    };
    Outcome outcome = Outcome::Ignored;

    // The frame text as the decoder leaves it (a short frame is rewritten to its value text).
    std::string_view text() const { return {buf_, len_}; }
    // Value: the text the value is read from (the start of text()); a number in the form its
    // kind writes, so the text-to-number rule never turns a garbled field into 0 or a part of it.
    std::string_view valueText() const { return {buf_, valueLen_}; }
    // BccError: the two received check characters (inside text()).
    std::string_view bccReceived() const { return {buf_ + bccPos_, bccLen_}; }

    unsigned bccComputed = 0;    // BccError: the sum computed over the frame
    float value = 0.0f;          // Value
    bool setsUnit = false;       // the unit label follows the frame (all kinds but 5)
    char unit = 0;               // 'M', 'k', 'P' or 0 for none
    bool setsReference = false;  // the reference label follows the frame (kinds 0-3)
    char reference = 0;          // 0: empty
    bool batteryRead = false;    // frames of 12 characters or more carry a battery level
    std::int32_t battery = 0;    // tenths of a volt
    bool overlong = false;       // kind 4 with more than 9 characters: shown as a notice, still decoded

private:
    friend class DecodedWriter;  // the decoders, in Decoders.cpp

    char buf_[MaxText] = {};
    std::uint8_t len_ = 0;
    std::uint8_t valueLen_ = 0;
    std::uint8_t bccPos_ = 0;
    std::uint8_t bccLen_ = 0;
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
