#include "core/decode/Decoders.h"

#include "core/platform/NumText.h"
#include "core/serial/FrameAssembler.h"

#include <algorithm>

namespace tavin {

namespace {

// How a gauge kind writes its value field: a sign, then digits with at most one decimal point.
// No kind pads with blanks; each fills its field with zeros in front ("+01234", "01.23").
struct ValueForm {
    std::string_view signs;  // the sign characters the kind writes
    bool signRequired;       // a sign always comes first
};
// Kinds 0-4: "+" or "-" and five characters ("+1.234", "-12.34", "+01234"); a short frame's
// four characters give five or six ("-0123", "+1.134").
constexpr ValueForm kSignedField{"+-", true};
// Kind 5: the number text the receive path makes of a binary frame, "-" only when negative
// ("01.23", "-0.105", "0000").
constexpr ValueForm kBinaryNumber{"-", false};

// Whether `text` is a number in `form`: the text-to-number rule would read 0 or a part of
// anything else ("+nan00", "+1.2.3", "+ 12 3").
bool isValueText(std::string_view text, const ValueForm& form)
{
    if (!text.empty() && form.signs.find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    else if (form.signRequired)
        return false;
    bool digit = false, point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

}  // namespace

// Writes the text a Decoded keeps and the views into it.
class DecodedWriter {
public:
    // A result holding a copy of the frame (at most Decoded::MaxText characters of it).
    static Decoded start(std::string_view frame)
    {
        Decoded d;
        d.len_ = std::uint8_t(std::min(frame.size(), Decoded::MaxText));
        frame.copy(d.buf_, d.len_);
        return d;
    }

    // The check characters at pos in the frame do not match the sum.
    static void bccError(Decoded& d, std::size_t pos, unsigned sum)
    {
        d.outcome = Decoded::Outcome::BccError;
        d.bccPos_ = std::uint8_t(pos);
        d.bccLen_ = 2;
        d.bccComputed = sum;
    }

    // The value is read from the first n characters of source, whose kept copy starts text().
    // False when they are no number in `form`: the frame is bad.
    static bool takeValue(Decoded& d, std::string_view source, std::size_t n, const ValueForm& form)
    {
        if (!isValueText(source.substr(0, n), form)) {
            d.outcome = Decoded::Outcome::BadValue;
            return false;
        }
        d.outcome = Decoded::Outcome::Value;
        d.valueLen_ = std::uint8_t(std::min<std::size_t>(n, d.len_));
        d.value = float(Val(source.substr(0, n)));
        return true;
    }

    // A short frame's four characters as a value text: a letter from "A" on stands for the digit
    // (code minus 17) with a minus sign in the first place and a decimal point before it elsewhere.
    static void shortFrameText(Decoded& d, std::string_view f)
    {
        char* o = d.buf_;
        const auto c0 = std::uint8_t(f[0]);
        if (c0 >= 'A') {
            *o++ = '-';
            *o++ = char(c0 - 17);
        } else {
            *o++ = '+';
            *o++ = char(c0);
        }
        for (int i = 1; i < 4; ++i) {
            const auto c = std::uint8_t(f[std::size_t(i)]);
            if (c >= 'A') {
                *o++ = '.';
                *o++ = char(c - 17);
            } else {
                *o++ = char(c);
            }
        }
        d.len_ = std::uint8_t(o - d.buf_);
    }

    // A short frame whose value text was bad is shown as it came, not as rewritten.
    static void keepFrame(Decoded& d, std::string_view f)
    {
        d.len_ = std::uint8_t(std::min(f.size(), Decoded::MaxText));
        f.copy(d.buf_, d.len_);
    }
};

namespace {

// The two received check characters as a number, compared with the computed sum.
bool bccMatches(std::string_view pair, unsigned sum)
{
    return unsigned(HexPairValue(std::uint8_t(pair[0]), std::uint8_t(pair[1]))) == sum;
}

}  // namespace

unsigned BccSum(std::string_view text)
{
    unsigned sum = 0;
    for (char c : text)
        sum += std::uint8_t(c);
    return sum & 0xFF;
}

Decoded DecodeVrtRq(std::string_view f)
{
    using W = DecodedWriter;
    Decoded d = W::start(f);
    const std::size_t L = f.size();
    if (L > Decoded::MaxText || (L < 8 && L != 6))
        return d;

    if (L == 6) {
        const unsigned sum = BccSum(f.substr(0, 4));
        if (!bccMatches(f.substr(4, 2), sum)) {
            W::bccError(d, 4, sum);
            return d;
        }
        W::shortFrameText(d, f);
        if (!W::takeValue(d, d.text(), 6, kSignedField)) {
            W::keepFrame(d, f);
            return d;
        }
    } else {
        if (L >= 10) {
            d.unit = f[L - 6];
            d.reference = f[L - 5];
        }
        const unsigned sum = BccSum(f.substr(0, L - 2));
        if (!bccMatches(f.substr(L - 2, 2), sum)) {
            W::bccError(d, L - 2, sum);
            return d;
        }
        if (!W::takeValue(d, f, 6, kSignedField))
            return d;
    }
    const std::string_view t = d.text();
    if (t.size() >= 12) {
        d.batteryRead = true;
        d.battery = std::int32_t(Val(t.substr(8, 2)));
    }
    d.setsUnit = true;
    d.setsReference = true;
    return d;
}

Decoded DecodeQz(std::string_view f)
{
    using W = DecodedWriter;
    Decoded d = W::start(f);
    if (f.size() < 9)
        return d;
    if (f.size() > 9) {
        d.overlong = true;
        f = f.substr(0, 9);
    }
    switch (f[6]) {
    case '0': d.unit = 'P'; break;
    case '1': d.unit = 'k'; break;
    case '2': d.unit = 'M'; break;
    default: d.unit = 0; break;
    }
    const unsigned sum = BccSum(f.substr(0, 7));
    static const char digits[] = "0123456789ABCDEF";
    if (f[7] != digits[sum >> 4] || f[8] != digits[sum & 0xF]) {
        W::bccError(d, 7, sum);
        return d;
    }
    if (W::takeValue(d, f, 6, kSignedField))
        d.setsUnit = true;
    return d;
}

Decoded DecodeMw200(std::string_view f)
{
    Decoded d = DecodedWriter::start(f);
    if (f.size() < 4)
        return d;
    DecodedWriter::takeValue(d, f, f.size(), kBinaryNumber);
    return d;
}

Decoded DecodeFrame(int term, std::string_view frame)
{
    switch (term) {
    case 0:
    case 1:
    case 2:
    case 3: return DecodeVrtRq(frame);
    case 4: return DecodeQz(frame);
    case 5: return DecodeMw200(frame);
    default: return DecodedWriter::start(frame);
    }
}

void SetDispFormat(std::int32_t index, std::string_view& format, std::string_view valueText)
{
    if (format.size() >= 4 && index != 0)
        return;
    const auto point = valueText.find('.');
    if (point == std::string_view::npos)
        return;
    int digits = 0;
    for (char c : valueText.substr(0, point))
        if (c >= '0' && c <= '9')
            ++digits;
    format = digits <= 1 ? "0.000" : digits == 2 ? "0.00" : digits == 3 ? "0.0" : "0000";
}

}  // namespace tavin
