#include "core/decode/Decoders.h"
#include "GaugeFrames.h"

#include <gtest/gtest.h>
#include <string>

using namespace tavin;
using Outcome = Decoded::Outcome;

namespace {

std::string withBcc(const std::string& text, int extra = 0)
{
    static const char digits[] = "0123456789ABCDEF";
    const unsigned sum = (BccSum(text) + unsigned(extra)) & 0xFF;
    return text + digits[sum >> 4] + digits[sum & 0xF];
}

}  // namespace

TEST(DecodeVrtRq, ALongFrameCarriesValueUnitReferenceAndBattery)
{
    const std::string frame = withBcc("+1.23400"
                                      "85"
                                      "M"
                                      "G"
                                      "00");
    ASSERT_EQ(frame.size(), 16u);
    const Decoded d = DecodeVrtRq(frame);
    ASSERT_EQ(d.outcome, Outcome::Value);
    EXPECT_FLOAT_EQ(d.value, 1.234f);
    EXPECT_EQ(d.valueText(), "+1.234");
    EXPECT_EQ(d.unit, 'M');
    EXPECT_EQ(d.reference, 'G');
    EXPECT_TRUE(d.batteryRead);
    EXPECT_EQ(d.battery, 85);
}

TEST(DecodeVrtRq, AWrongBccRejectsTheFrameWithBothSums)
{
    const std::string good = withBcc("+1.23400"
                                     "85"
                                     "M"
                                     "G"
                                     "00");
    std::string bad = good;
    bad[15] = bad[15] == '0' ? '1' : '0';
    const Decoded d = DecodeVrtRq(bad);
    ASSERT_EQ(d.outcome, Outcome::BccError);
    EXPECT_EQ(d.bccReceived(), bad.substr(14, 2));
    EXPECT_EQ(d.bccComputed, BccSum(bad.substr(0, 14)));
    EXPECT_EQ(d.text(), bad);
}

TEST(DecodeVrtRq, ShortAndMidLengthFramesReadWhatTheyHave)
{
    // 10 or 11 characters: unit and reference from their places counted from the end, which
    // for such short frames lie inside the value text (letters there make it no number); no battery.
    for (const std::string body : {"+1.23400", "+1.2234xx"}) {
        const Decoded d = DecodeVrtRq(withBcc(body));
        ASSERT_EQ(d.outcome, Outcome::Value) << body;
        EXPECT_EQ(d.unit, '3');
        EXPECT_EQ(d.reference, '4');
        EXPECT_FALSE(d.batteryRead);
    }
    EXPECT_FLOAT_EQ(DecodeVrtRq(withBcc("+1.2234xx")).value, 1.223f);
    EXPECT_EQ(DecodeVrtRq(withBcc("+1.2kGxx")).outcome, Outcome::BadValue);
    // 8 or 9 characters: neither unit nor reference.
    for (const std::string body : {"+2.000", "+2.000x"}) {
        const Decoded d = DecodeVrtRq(withBcc(body));
        ASSERT_EQ(d.outcome, Outcome::Value) << body;
        EXPECT_EQ(d.unit, 0);
        EXPECT_EQ(d.reference, 0);
        EXPECT_TRUE(d.setsUnit);
    }
    // 7 characters, or more than 100: ignored.
    EXPECT_EQ(DecodeVrtRq("+1.2345").outcome, Outcome::Ignored);
    EXPECT_EQ(DecodeVrtRq(withBcc(std::string(99, '1'))).outcome, Outcome::Ignored);
    EXPECT_EQ(DecodeVrtRq(withBcc("+" + std::string(97, '1'))).outcome, Outcome::Value);
    EXPECT_EQ(DecodeVrtRq("").outcome, Outcome::Ignored);
}

TEST(DecodeVrtRq, SixCharacterFramesUseLettersForSignAndPoint)
{
    Decoded d = DecodeVrtRq(withBcc("A123"));
    ASSERT_EQ(d.outcome, Outcome::Value);
    EXPECT_EQ(d.text(), "-0123");
    EXPECT_FLOAT_EQ(d.value, -123.0f);
    d = DecodeVrtRq(withBcc("1B34"));
    EXPECT_EQ(d.text(), "+1.134");
    EXPECT_FLOAT_EQ(d.value, 1.134f);
    EXPECT_EQ(d.unit, 0);
    EXPECT_EQ(DecodeVrtRq(withBcc("1B34", 1)).outcome, Outcome::BccError);
    // The simulator's short frames come back as the value it meant.
    sim::FrameSpec shortFrame;
    shortFrame.shortForm = true;
    for (double v : {1.134, -2.5, 12.34, -123.4, 999.0}) {
        shortFrame.value = v;
        const std::string wire = sim::EncodeFrame(shortFrame);
        const Decoded s = DecodeVrtRq(wire.substr(1, wire.size() - 2));
        ASSERT_EQ(s.outcome, Outcome::Value) << v;
        EXPECT_NEAR(s.value, v, 0.0006) << v;
    }
}

// A result is kept and copied after the decoder's frame and the result it first built are gone: the
// texts it hands out must still be its own (a short frame's rewritten text most of all).
TEST(Decoded, CopiesKeepTheirTextsAfterTheFrameAndTheOriginalAreGone)
{
    auto decodeAndCopy = [](std::string frame) {
        const Decoded made = DecodeVrtRq(frame);
        Decoded copy = made;
        frame.assign(frame.size(), '#');
        return copy;
    };
    const Decoded s = decodeAndCopy(withBcc("1B34"));
    ASSERT_EQ(s.outcome, Outcome::Value);
    EXPECT_EQ(s.valueText(), "+1.134");
    std::string_view format;
    SetDispFormat(0, format, s.valueText());
    EXPECT_EQ(format, "0.000");

    const std::string good = withBcc("+12.3400"
                                     "85"
                                     "k"
                                     "G"
                                     "00");
    const Decoded l = decodeAndCopy(good);
    EXPECT_EQ(l.valueText(), "+12.34");
    EXPECT_EQ(l.text(), good);
    std::string bad = good;
    bad[15] = bad[15] == '0' ? '1' : '0';
    const Decoded e = decodeAndCopy(bad);
    ASSERT_EQ(e.outcome, Outcome::BccError);
    EXPECT_EQ(e.text(), bad);
    EXPECT_EQ(e.bccReceived(), bad.substr(14, 2));
}

TEST(DecodeVrtRq, BatteryDigitsAreReadFromLongFramesOnly)
{
    EXPECT_EQ(DecodeVrtRq(withBcc("+1.23400"
                                  "00"
                                  "kG00"))
                  .battery,
              0);
    EXPECT_EQ(DecodeVrtRq(withBcc("+1.23400"
                                  "69"
                                  "kG00"))
                  .battery,
              69);
    EXPECT_FALSE(DecodeVrtRq(withBcc("+1.2340kG")).batteryRead);  // 11 characters
}

TEST(DecodeQz, NineCharactersWithUnitDigitAndUpperCaseBcc)
{
    const Decoded d = DecodeQz(withBcc("+12.341"));
    ASSERT_EQ(d.outcome, Outcome::Value);
    EXPECT_FLOAT_EQ(d.value, 12.34f);
    EXPECT_EQ(d.unit, 'k');
    EXPECT_FALSE(d.setsReference);
    EXPECT_FALSE(d.batteryRead);

    // "+12.356" sums to 0x15A: a lower-case "5a" is a mismatch.
    EXPECT_EQ(DecodeQz(withBcc("+12.356")).outcome, Outcome::Value);
    EXPECT_EQ(DecodeQz("+12.3565a").outcome, Outcome::BccError);

    // A sum below 16 keeps its leading zero in the field.
    const std::string zeroLed = withBcc("+00000\xEA");
    EXPECT_EQ(zeroLed.substr(7), "05");
    EXPECT_EQ(DecodeQz(zeroLed).outcome, Outcome::Value);
}

TEST(DecodeQz, ExtraCharactersAreNotedButTheFirstNineCount)
{
    const Decoded d = DecodeQz(withBcc("+12.342") + "X");
    EXPECT_TRUE(d.overlong);
    ASSERT_EQ(d.outcome, Outcome::Value);
    EXPECT_EQ(d.unit, 'M');
    EXPECT_EQ(DecodeQz("+12.34").outcome, Outcome::Ignored);
    EXPECT_EQ(DecodeQz(withBcc("+12.343")).unit, 0);
    EXPECT_EQ(DecodeQz(withBcc("+12.340")).unit, 'P');
}

TEST(DecodeMw200, TakesTheWholeNumberText)
{
    Decoded d = DecodeMw200("01.23");
    ASSERT_EQ(d.outcome, Outcome::Value);
    EXPECT_FLOAT_EQ(d.value, 1.23f);
    EXPECT_FALSE(d.setsUnit);
    EXPECT_EQ(DecodeMw200("-0.105").value, -0.105f);
    EXPECT_EQ(DecodeMw200("123").outcome, Outcome::Ignored);
    EXPECT_EQ(DecodeFrame(6, "01.23").outcome, Outcome::Ignored);
}

// A value field that is no number as its kind writes it makes a bad frame, whatever its check
// characters: the text-to-number rule would read 0 ("+nan00", six blanks) or a part ("+1.2.3").
TEST(Decoders, AValueFieldThatIsNoNumberIsABadFrameShownAsItCame)
{
    for (const std::string v : {"+ABCDE", "      ", "+nan00", "+inf00", "+0x1F0", "+1.2.3", "+ 12 3",
                                "1.2345", "+1E+02", "++1.23", "+.....", "-12.3\t"}) {
        for (const std::string& f : {withBcc(v + "0085kG00"), withBcc(v + "00")}) {
            const Decoded d = DecodeFrame(0, f);
            EXPECT_EQ(d.outcome, Outcome::BadValue) << f;
            EXPECT_EQ(d.text(), f);
        }
        EXPECT_EQ(DecodeFrame(4, withBcc(v + "1")).outcome, Outcome::BadValue) << v;
    }
    // Short frames rewritten with two points, a blank, a letter past "J" or a sign; shown unrewritten.
    for (const std::string s : {"1BCD", "1 23", "Z123", "-123"}) {
        const Decoded d = DecodeVrtRq(withBcc(s));
        EXPECT_EQ(d.outcome, Outcome::BadValue) << s;
        EXPECT_EQ(d.text(), withBcc(s));
    }
    for (const char* t : {"1.2.3", "+1.23", "12 3", "*1A2B", "nan0", "-inf", "0x1F"})
        EXPECT_EQ(DecodeFrame(5, t).outcome, Outcome::BadValue) << t;
    // Each kind's own forms, zero among them, stay values.
    for (const std::string v : {"+01234", "-0.000", "+.5000"})
        EXPECT_EQ(DecodeFrame(4, withBcc(v + "1")).outcome, Outcome::Value) << v;
    EXPECT_EQ(DecodeFrame(5, "0000").outcome, Outcome::Value);
}

TEST(SetDispFormat, DigitsBeforeThePointChooseTheFormat)
{
    std::string_view f;
    SetDispFormat(0, f, "+1.234");
    EXPECT_EQ(f, "0.000");
    SetDispFormat(5, f, "+123.4");  // a four-character format stays
    EXPECT_EQ(f, "0.000");
    SetDispFormat(0, f, "-12.34");  // the first sample of a measurement chooses again
    EXPECT_EQ(f, "0.00");
    f = "0.0";
    SetDispFormat(7, f, "+12.34");  // "0.0" is chosen anew at every frame
    EXPECT_EQ(f, "0.00");
    f = "";
    SetDispFormat(3, f, "01234");  // no point: unchanged
    EXPECT_EQ(f, "");
    SetDispFormat(3, f, "12345.6");
    EXPECT_EQ(f, "0000");
    SetDispFormat(0, f, " - 1.5");
    EXPECT_EQ(f, "0.000");
}
