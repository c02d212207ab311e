#include "core/platform/NumText.h"
#include "core/platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

using namespace tavin;

TEST(Val, ReadsTheLeadingNumberAndStopsAtTheFirstOtherCharacter)
{
    EXPECT_DOUBLE_EQ(Val(u"12.5ms"), 12.5);
    EXPECT_DOUBLE_EQ(Val(u"  -3.25 kPa"), -3.25);
    EXPECT_DOUBLE_EQ(Val(u"+7"), 7.0);
    EXPECT_DOUBLE_EQ(Val(u"1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val(u"-.5"), -0.5);
    EXPECT_DOUBLE_EQ(Val(u"COM12"), 0.0);
    EXPECT_DOUBLE_EQ(Val(u""), 0.0);
    EXPECT_DOUBLE_EQ(Val(u"-"), 0.0);
    EXPECT_DOUBLE_EQ(Val(u"."), 0.0);
}

TEST(Val, IgnoresBlanksTabsAndLineFeedsWhereverTheyStand)
{
    EXPECT_DOUBLE_EQ(Val(u"1 2 3"), 123.0);
    EXPECT_DOUBLE_EQ(Val(u"\t- 1\n.5"), -1.5);
    EXPECT_DOUBLE_EQ(Val(u"1\r2"), 1.0);  // a carriage return is no blank
}

TEST(Val, ReadsExponentsWithEOrDOnlyWhenDigitsFollow)
{
    EXPECT_DOUBLE_EQ(Val(u"1.5E3"), 1500.0);
    EXPECT_DOUBLE_EQ(Val(u"2d-2"), 0.02);
    EXPECT_DOUBLE_EQ(Val(u"2e"), 2.0);
    EXPECT_DOUBLE_EQ(Val(u"2e+"), 2.0);
    EXPECT_DOUBLE_EQ(Val(u"3 E 2"), 300.0);
}

TEST(Val, ReadsHexadecimalAfterAmpersandH)
{
    EXPECT_DOUBLE_EQ(Val(u"&H1F"), 31.0);
    EXPECT_DOUBLE_EQ(Val(u"&hff zz"), 255.0);
    EXPECT_DOUBLE_EQ(Val(u"&H"), 0.0);
    EXPECT_DOUBLE_EQ(Val(std::string_view("&H10")), 16.0);
}

TEST(Val, SurvivesHugeAndEndlessInput)
{
    EXPECT_TRUE(std::isinf(Val(u"1e999")));
    EXPECT_DOUBLE_EQ(Val(u"1e-999"), 0.0);
    const QString digits(5000, u'9');
    EXPECT_GT(Val(digits), 1e100);  // long digit runs are cut, not overflowing a buffer
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(CLng(12.5), 12);
    EXPECT_EQ(CLng(13.5), 14);
    EXPECT_EQ(CInt(-0.5), 0);
    EXPECT_DOUBLE_EQ(Round(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(Round(0.375, 2), 0.38);
    EXPECT_DOUBLE_EQ(Round(2.675, 2), 2.67);  // binary 2.67499...
    EXPECT_DOUBLE_EQ(Round(1234.5678, 1), 1234.6);
    EXPECT_EQ(Int(-1.5), -2.0);
    EXPECT_EQ(Int(1.99), 1.0);
}

TEST(Rounding, OutOfRangeIntegersAreOverflowErrors)
{
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_THROW(CInt(32767.5), RuntimeError);  // rounds to 32768
    EXPECT_THROW(CInt(-32769), RuntimeError);
    EXPECT_EQ(CLng(-2147483648.0), INT32_MIN);
    EXPECT_THROW(CLng(2147483648.0), RuntimeError);
    EXPECT_THROW(CLng(std::nan("")), RuntimeError);
}

TEST(FormatNumber, WritesEveryPatternDigitAndRoundsToItsDecimals)
{
    EXPECT_EQ(FormatNumber(1.5, "0.000"), "1.500");
    EXPECT_EQ(FormatNumber(7, "0000"), "0007");
    EXPECT_EQ(FormatNumber(1.23, "00.00"), "01.23");
    EXPECT_EQ(FormatNumber(-12.34, "000.0"), "-012.3");
    EXPECT_EQ(FormatNumber(12345, "0000"), "12345");
    EXPECT_EQ(FormatNumber(0.125, "0.00"), "0.12");
    EXPECT_EQ(FormatNumber(0.135, "0.00"), "0.14");  // binary 0.13500000000000000888
    EXPECT_EQ(FormatNumber(2.5, "0"), "2");
    EXPECT_EQ(FormatNumber(3.5, "0"), "4");
    EXPECT_EQ(FormatNumber(-0.0001, "0.000"), "0.000");
    EXPECT_EQ(FormatNumber(0.96, "0.0"), "1.0");
    EXPECT_EQ(FormatNumber(double(1.23f), "0.00"), "1.23");
}

TEST(WriteProduct, AGaugeTextTimesTheCoefficientHasTheirDecimalsAndNoFloatNoise)
{
    const struct {
        const char* gauge;  // as the gauge sends it, read as the decoders read it
        float coef;
        const char* written;
    } table[] = {
        {"+069.27", 2.5f, "173.175"},  // float arithmetic gives 173.17499
        {"+069.20", 2.5f, "173"},      // a float keeps no trailing zero
        {"-000.50", 1.0f, "-0.5"},
        {"+0.001", 1000.0f, "1"},
        {"+1234.567", 1.25f, "1543.20875"},
        {"99999", 0.001f, "99.999"},
        {"+000.00", 2.5f, "0"},
        {"-1.5", -2.0f, "3"},
        {"12.345", 0.1f, "1.2345"},
        {"+0.0003", 0.5f, "0.00015"},
        {"250", 40.0f, "10000"},
        {"-101.325", 0.145038f, "-14.69597535"},
    };
    for (const auto& row : table) {
        char buf[48];
        const float value = float(Val(std::string_view(row.gauge)));
        EXPECT_EQ(std::string(buf, WriteProduct(buf, value, row.coef)), row.written)
            << row.gauge << " x " << row.coef;
    }
    char buf[48];
    EXPECT_EQ(std::string(buf, WriteProduct(buf, 3e30f, 1e10f)), "3e40");  // beyond any gauge: still a number
}

TEST(GeneralForm, SinglesKeepSevenDigitsAndDoublesFifteen)
{
    EXPECT_EQ(GeneralSingle(-10000.0f), "-10000");
    EXPECT_EQ(GeneralSingle(12.5f), "12.5");
    EXPECT_EQ(GeneralSingle(0.1f), "0.1");
    EXPECT_EQ(GeneralSingle(1.2345678f), "1.234568");
    EXPECT_EQ(GeneralSingle(1e7f), "1E+07");
    EXPECT_EQ(GeneralSingle(-0.0f), "0");
    EXPECT_EQ(GeneralDouble(0.1), "0.1");
    EXPECT_EQ(GeneralDouble(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(GeneralDouble(123456789012.0), "123456789012");
}

TEST(CSng, ConvertsWholeTextsAndRejectsTheRest)
{
    EXPECT_EQ(CSng(u"-10000"), -10000.0f);
    EXPECT_EQ(CSng(u" 12.5 "), 12.5f);
    EXPECT_EQ(CSng(u"+1e3"), 1000.0f);
    for (const char16_t* bad : {u"", u"   ", u"abc", u"12abc", u"1,5", u"inf", u"nan", u"１２"}) {
        try {
            CSng(bad);
            ADD_FAILURE() << "accepted " << QString::fromUtf16(bad).toStdString();
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.description(), kTypeMismatch);
        }
    }
    EXPECT_THROW(CSng(u"1e39"), RuntimeError);
}

namespace {
// The general form as printf("%.*G") writes it, for comparison.
std::string printfGeneral(double v, int precision)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", precision, v);
    return buf;
}
}  // namespace

TEST(GeneralForm, AgreesWithPrintfOverManyMagnitudes)
{
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-8, 16);
    for (int i = 0; i < 200000; ++i) {
        const double d = (i % 2 ? -1 : 1) * mantissa(rng) * std::pow(10.0, exponent(rng));
        ASSERT_EQ(GeneralDouble(d).toStdString(), printfGeneral(d, 15)) << d;
        const float f = float(d);
        if (std::isfinite(f) && f != 0) {
            ASSERT_EQ(GeneralSingle(f).toStdString(), printfGeneral(double(f), 7)) << f;
        }
    }
    // Serial dates of every second of a day, as recording files write them.
    for (int s = 0; s < 86400; s += 7) {
        const double t = 46362.0 + s / 86400.0;
        ASSERT_EQ(GeneralDouble(t).toStdString(), printfGeneral(t, 15)) << s;
    }
    // Decimal ties and carries.
    for (double d : {0.5, 2.5, 9.9999995, 999999.95, 0.00012345675, 1234567.5, 99999999999999.95, 0.0001})
        EXPECT_EQ(GeneralDouble(d).toStdString(), printfGeneral(d, 15)) << d;
    for (float f : {9.9999995f, 999999.5f, 1234567.5f, 0.1f, 0.3f, 123.456f})
        EXPECT_EQ(GeneralSingle(f).toStdString(), printfGeneral(double(f), 7)) << f;
}
