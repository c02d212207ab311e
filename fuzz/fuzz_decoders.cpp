// A frame's text is untrusted: every decoder, the readout format and the text-to-number rule
// must take any text without crashing, keep their results inside the frame and read a value only
// from a field that is one number.
#include "core/decode/Decoders.h"
#include "core/platform/NumText.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int term = data[0] % 7;
    const std::string_view frame(reinterpret_cast<const char*>(data + 1), size - 1);

    // Every text a result hands out lies in its own copy of the frame.
    const tavin::Decoded d = tavin::DecodeFrame(term, frame);
    const std::string_view text = d.text();
    if (text.size() > tavin::Decoded::MaxText)
        std::abort();
    const bool rewritten = term <= 3 && frame.size() == 6 && d.outcome == tavin::Decoded::Outcome::Value;
    if (!rewritten && text != frame.substr(0, tavin::Decoded::MaxText))
        std::abort();
    if (d.outcome == tavin::Decoded::Outcome::Value) {
        if (text.substr(0, d.valueText().size()) != d.valueText())
            std::abort();
        // The whole field is one number: no 0 or part of a number is read from a garbled one.
        std::string_view number = d.valueText();
        if (number.starts_with('+'))
            number.remove_prefix(1);
        double parsed = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), parsed);
        if (ec != std::errc() || end != number.data() + number.size())
            std::abort();
        std::string_view format;
        tavin::SetDispFormat(0, format, d.valueText());
        char buf[480];
        if (!format.empty())
            tavin::FormatNumber(buf, d.value, format);
        tavin::GeneralSingle(buf, d.value);
    }
    if (d.outcome == tavin::Decoded::Outcome::BccError &&
        (d.bccReceived().size() != 2 || d.bccComputed > 255 ||
         d.bccReceived().data() + 2 > text.data() + text.size()))
        std::abort();

    const double v = tavin::Val(QString::fromLatin1(frame.data(), qsizetype(frame.size())));
    if (std::isnan(v))
        std::abort();
    return 0;
}
