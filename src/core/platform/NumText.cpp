#include "core/platform/NumText.h"

#include "core/platform/Errors.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tavin {

QString describe(const std::exception& e)
{
    if (auto* r = dynamic_cast<const RuntimeError*>(&e))
        return r->description();
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return QStringLiteral("メモリが不足しています。");
    return QString::fromLocal8Bit(e.what());
}

namespace {

char32_t code(QChar c) { return c.unicode(); }
char32_t code(char c) { return static_cast<unsigned char>(c); }

bool isBlank(char32_t c) { return c == ' ' || c == '\t' || c == '\n'; }

template <class Text>
qsizetype skipBlanks(const Text& text, qsizetype i)
{
    const qsizetype n = text.size();
    while (i < n && isBlank(code(text[i])))
        ++i;
    return i;
}

// The value of the hexadecimal digits from `i` on (just after "&H"); blanks may stand between
// them, and digits after the sixteenth are read past without counting.
template <class Text>
double hexValue(const Text& text, qsizetype i)
{
    const qsizetype n = text.size();
    std::uint64_t v = 0;
    int digits = 0;
    for (; i < n; ++i) {
        const char32_t c = code(text[i]);
        if (isBlank(c))
            continue;
        int d;
        if (c >= '0' && c <= '9')
            d = int(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = int(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            d = int(c - 'a' + 10);
        else
            break;
        if (digits < 16)
            v = v * 16 + std::uint64_t(d);
        ++digits;
    }
    return double(v);
}

// The characters of a decimal number without blanks, gathered to be converted in one go.
struct NumberChars {
    char buf[128];
    int len = 0;

    void put(char c)
    {
        if (len < int(sizeof buf) - 1)
            buf[len++] = c;
    }
    double value()
    {
        buf[len] = '\0';
        double v = 0.0;
        if (std::from_chars(buf, buf + len, v).ec == std::errc::result_out_of_range)
            v = std::strtod(buf, nullptr);  // beyond double: strtod gives the infinity or zero
        return v;
    }
};

// Gathers the sign, digits and point of a decimal number from `i` on, leaving `i` at the first
// character that is none of them; false when no digit came.
template <class Text>
bool gatherMantissa(const Text& text, qsizetype& i, NumberChars& out)
{
    const qsizetype n = text.size();
    if (i < n && (code(text[i]) == '+' || code(text[i]) == '-')) {
        if (code(text[i]) == '-')
            out.put('-');
        ++i;
    }
    bool point = false, mantissaDigits = false;
    for (; i < n; ++i) {
        const char32_t c = code(text[i]);
        if (isBlank(c))
            continue;
        if (c >= '0' && c <= '9') {
            out.put(char(c));
            mantissaDigits = true;
        } else if (c == '.' && !point) {
            out.put('.');
            point = true;
        } else {
            break;
        }
    }
    return mantissaDigits;
}

// Gathers the exponent whose sign or digits start at `j`, just after its letter.
template <class Text>
void gatherExponent(const Text& text, qsizetype j, NumberChars& out)
{
    const qsizetype n = text.size();
    // The exponent counts only when digits follow it.
    char exp[16];
    int elen = 0;
    j = skipBlanks(text, j);
    if (j < n && (code(text[j]) == '+' || code(text[j]) == '-'))
        exp[elen++] = char(code(text[j++]));
    bool expDigits = false;
    for (; j < n; ++j) {
        const char32_t c = code(text[j]);
        if (isBlank(c))
            continue;
        if (c < '0' || c > '9')
            break;
        if (elen < int(sizeof exp) - 1)
            exp[elen++] = char(c);
        expDigits = true;
    }
    if (expDigits) {
        out.put('e');
        for (int k = 0; k < elen; ++k)
            out.put(exp[k]);
    }
}

// The text-to-number rule over any sequence of characters.
template <class Text>
double valImpl(const Text& text)
{
    const qsizetype n = text.size();
    auto at = [&](qsizetype k) { return code(text[k]); };

    qsizetype i = skipBlanks(text, 0);
    if (i + 1 < n && at(i) == '&' && (at(i + 1) == 'H' || at(i + 1) == 'h'))
        return hexValue(text, i + 2);

    NumberChars chars;
    if (!gatherMantissa(text, i, chars))
        return 0.0;
    i = skipBlanks(text, i);
    if (i < n && (at(i) == 'E' || at(i) == 'e' || at(i) == 'D' || at(i) == 'd'))
        gatherExponent(text, i + 1, chars);
    return chars.value();
}

}  // namespace

double Val(QStringView text) { return valImpl(text); }
double Val(std::string_view text) { return valImpl(text); }

double RoundHalfEven(double x)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return std::nearbyint(x);
}

double Round(double x, int decimals)
{
    if (!std::isfinite(x))
        return x;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    double v = x;
    std::from_chars(buf, r.ptr, v);
    return v;
}

std::int16_t CInt(double x)
{
    const double r = RoundHalfEven(x);
    if (!(r >= -32768.0 && r <= 32767.0))
        throw RuntimeError(kOverflow);
    return std::int16_t(r);
}

std::int32_t CLng(double x)
{
    const double r = RoundHalfEven(x);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        throw RuntimeError(kOverflow);
    return std::int32_t(r);
}

double Int(double x) { return std::floor(x); }

namespace {

// A finite float as digits × 10^exponent, from its shortest decimal text.
struct Decimal {
    std::int64_t digits;  // at most 9 of them, signed
    int exponent;
};

Decimal shortestDecimal(float v)
{
    char buf[32];
    const char* const end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific).ptr;
    const char* p = buf;
    const bool negative = *p == '-';
    p += negative;
    std::int64_t digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p < end && *p != 'e'; ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        digits = digits * 10 + (*p - '0');
        decimals += point;
    }
    int exponent = 0;
    if (p < end) {
        const bool down = p[1] == '-';
        std::from_chars(p + 2, end, exponent);
        exponent = down ? -exponent : exponent;
    }
    return {negative ? -digits : digits, exponent - decimals};
}

}  // namespace

char* WriteProduct(char* out, float value, float coef)
{
    const Decimal a = shortestDecimal(value);
    const Decimal b = shortestDecimal(coef);
    std::int64_t digits = a.digits * b.digits;  // 18 digits at most: no overflow
    int exponent = a.exponent + b.exponent;
    if (digits == 0) {
        *out = '0';
        return out + 1;
    }
    while (digits % 10 == 0) {
        digits /= 10;
        ++exponent;
    }
    if (digits < 0) {
        *out++ = '-';
        digits = -digits;
    }
    char text[20];
    const int length = int(std::to_chars(text, text + sizeof text, digits).ptr - text);
    if (exponent > 20 || exponent < -30) {  // beyond any gauge: the digits and a power of ten
        out = std::copy(text, text + length, out);
        *out++ = 'e';
        return std::to_chars(out, out + 8, exponent).ptr;
    }
    if (exponent >= 0) {
        out = std::copy(text, text + length, out);
        return std::fill_n(out, exponent, '0');
    }
    const int decimals = -exponent;
    if (length > decimals) {
        out = std::copy(text, text + length - decimals, out);
        *out++ = '.';
        return std::copy(text + length - decimals, text + length, out);
    }
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, decimals - length, '0');
    return std::copy(text, text + length, out);
}

void WriteDigits(char* out, std::uint64_t value, int count)
{
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    // Two 32-bit halves keep the divisions cheap.
    auto half = [&](std::uint32_t v, char* end, int n) {
        while (n >= 2) {
            const std::uint32_t two = v % 100;
            v /= 100;
            n -= 2;
            end -= 2;
            end[0] = pairs[2 * two];
            end[1] = pairs[2 * two + 1];
        }
        if (n == 1)
            *--end = char('0' + v % 10);
    };
    if (count > 8) {
        half(std::uint32_t(value % 100000000), out + count, 8);
        half(std::uint32_t(value / 100000000), out + count - 8, count - 8);
    } else {
        half(std::uint32_t(value), out + count, count);
    }
}

char* FormatNumber(char* out, double v, std::string_view pattern)
{
    const auto dot = pattern.find('.');
    const int intDigits = int(dot == std::string_view::npos ? pattern.size() : dot);
    const int decimals = dot == std::string_view::npos ? 0 : int(pattern.size() - dot - 1);
    if (!std::isfinite(v)) {
        const char* t = std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
        const size_t n = std::strlen(t);
        std::memcpy(out, t, n);
        return out + n;
    }
    char digits[400];
    auto r = std::to_chars(digits, digits + sizeof digits, std::fabs(v), std::chars_format::fixed, decimals);
    const char* end = r.ptr;
    const char* point = std::find(static_cast<const char*>(digits), end, '.');
    const int have = int(point - digits);
    // A value that rounds to zero is written without a sign.
    bool allZero = true;
    for (const char* p = digits; p != end; ++p)
        if (*p >= '1' && *p <= '9')
            allZero = false;
    char* o = out;
    if (v < 0 && !allZero)
        *o++ = '-';
    int lead = intDigits - have;
    // A pattern without integer digits ("." + decimals) writes no lone zero before the point.
    const char* from = digits;
    if (intDigits == 0 && have == 1 && digits[0] == '0') {
        from = digits + 1;
        lead = 0;
    }
    for (; lead > 0; --lead)
        *o++ = '0';
    const size_t n = size_t(end - from);
    std::memcpy(o, from, n);
    return o + n;
}

QString FormatNumber(double v, std::string_view pattern)
{
    char buf[448];
    char* end = FormatNumber(buf, v, pattern.substr(0, 32));
    return QString::fromLatin1(buf, end - buf);
}

namespace {

// Writes `precision` significant digits (most significant first) as a number with `decimals`
// of them after the point, without trailing zeros: the general form without an exponent.
// Copies in fixed blocks of 16: `digits` must hold 16 bytes and `out` have 40 bytes of room.
char* writeFixed(char* out, bool negative, const char* digits, int precision, int decimals)
{
    char* o = out;
    if (negative)
        *o++ = '-';
    const int point = precision - decimals;  // digits before the point (may be <= 0)
    if (point <= 0) {
        *o++ = '0';
        *o++ = '.';
        std::memset(o, '0', 16);
        o += -point;
        std::memcpy(o, digits, 16);
        o += precision;
    } else {
        std::memcpy(o, digits, 16);
        o += point;
        if (decimals == 0)
            return o;
        *o = '.';
        std::memcpy(o + 1, digits + point, 16);
        o += 1 + decimals;
    }
    while (o[-1] == '0')
        --o;  // trailing zeros of the decimals are not written
    if (o[-1] == '.')
        --o;
    return o;
}

// The exact product a*b as an unevaluated sum hi + lo (Dekker), without fused multiply-add.
void twoProduct(double a, double b, double& hi, double& lo)
{
    auto split = [](double x, double& h, double& l) {
        const double c = 134217729.0 * x;  // 2^27 + 1
        h = c - (c - x);
        l = x - h;
    };
    hi = a * b;
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    lo = ((ah * bh - hi) + ah * bl + al * bh) + al * bl;
}

// The general form without an exponent, from the value scaled exactly to an integer of
// `precision` digits and a remainder. Returns nullptr where the remainder is too close to a tie
// to decide in double, on a carry into another digit, or when an exponent is needed; the caller
// then takes the slow, exact path. Recording files write hundreds of thousands of such numbers.
char* generalFast(char* out, double v, int precision)
{
    static const double thresholds[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                                        1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    static const double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double a = std::fabs(v);
    if (!(a >= 1e-4 && a < 1e15) || precision > 15)
        return nullptr;
    // The decade from the binary exponent (log10(2) = 0.30103), corrected by one comparison.
    const int exponent = int((std::bit_cast<std::uint64_t>(a) >> 52) & 0x7FF) - 1023;
    int t = int(double(exponent) * 0.30102999566398120) + 4;
    t = std::clamp(t, 0, 18);
    if (a < thresholds[t])
        --t;
    else if (a >= thresholds[t + 1])
        ++t;
    const int intDigits = t - 3;  // 1e-4 <= a < 1e-3 has -3 integer digits
    const int decimals = precision - intDigits;
    if (decimals < 0 || decimals > 22)
        return nullptr;
    double hi, lo;
    twoProduct(a, pow10[decimals], hi, lo);    // powers of ten up to 1e22 are exact doubles
    double whole = double(std::uint64_t(hi));  // hi is positive and below 2^53
    double frac = (hi - whole) + lo;
    if (frac < 0) {
        whole -= 1;
        frac += 1;
    } else if (frac >= 1) {
        whole += 1;
        frac -= 1;
    }
    if (std::fabs(frac - 0.5) < 1e-6)
        return nullptr;
    const std::uint64_t digits = std::uint64_t(whole) + (frac > 0.5 ? 1 : 0);
    if (digits >= std::uint64_t(pow10[precision]))
        return nullptr;  // rounding carried into another digit

    char buf[32];
    WriteDigits(buf, digits, precision);
    return writeFixed(out, v < 0, buf, precision, decimals);
}

char* general(char* out, double v, int precision)
{
    if (v == 0.0) {  // also turns -0 into "0"
        *out = '0';
        return out + 1;
    }
    if (!std::isfinite(v)) {
        const char* t = std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
        const size_t n = std::strlen(t);
        std::memcpy(out, t, n);
        return out + n;
    }
    if (char* end = generalFast(out, v, precision))
        return end;
    auto r = std::to_chars(out, out + 32, v, std::chars_format::general, precision);
    for (char* p = out; p != r.ptr; ++p)
        if (*p == 'e')
            *p = 'E';
    return r.ptr;
}

}  // namespace

namespace {

// The general form of a float without an exponent. A float's 24-bit mantissa times a power of ten
// up to 1e10 (itself at most 24 significant bits) fits a double exactly, so the rounding to seven
// digits is decided exactly, ties to even included.
char* generalFloat(char* out, float f)
{
    static const double thresholds[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    static const double pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    const double a = std::fabs(double(f));
    if (!(a >= 1e-4 && a < 1e7))
        return nullptr;
    int t = 0;
    while (a >= thresholds[t + 1])
        ++t;
    const int decimals = 7 - (t - 3);  // t - 3 integer digits
    const double scaled = a * pow10[decimals];
    const auto whole = std::uint64_t(scaled);
    const double frac = scaled - double(whole);
    const std::uint64_t digits = whole + ((frac > 0.5 || (frac == 0.5 && (whole & 1))) ? 1 : 0);
    if (digits >= 10000000)
        return nullptr;  // rounded up into another digit
    char buf[32];
    WriteDigits(buf, digits, 7);
    return writeFixed(out, f < 0, buf, 7, decimals);
}

}  // namespace

char* GeneralSingle(char* out, float v)
{
    if (char* end = generalFloat(out, v))
        return end;
    return general(out, double(v), 7);
}

char* GeneralDouble(char* out, double v) { return general(out, v, 15); }

QString GeneralSingle(float v)
{
    char buf[40];
    return QString::fromLatin1(buf, GeneralSingle(buf, v) - buf);
}

QString GeneralDouble(double v)
{
    char buf[40];
    return QString::fromLatin1(buf, GeneralDouble(buf, v) - buf);
}

float CSng(QStringView text)
{
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty())
        throw RuntimeError(kTypeMismatch);
    const char* first = t.constData();
    const char* last = first + t.size();
    if (*first == '+')
        ++first;
    double v = 0.0;
    auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc::invalid_argument || r.ptr != last || first == last)
        throw RuntimeError(kTypeMismatch);
    if (!std::isfinite(v) && r.ec != std::errc::result_out_of_range)
        throw RuntimeError(kTypeMismatch);  // "inf", "nan"
    if (r.ec == std::errc::result_out_of_range || std::fabs(v) > std::numeric_limits<float>::max())
        throw RuntimeError(kOverflow);
    return float(v);
}

}  // namespace tavin
