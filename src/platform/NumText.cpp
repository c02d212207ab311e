#include "platform/NumText.h"

#include "platform/Errors.h"

#include <algorithm>
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

// The text-to-number rule over any sequence of characters.
template <class Text>
double valImpl(const Text& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto at = [&](qsizetype k) { return code(text[k]); };
    auto skipBlanks = [&] {
        while (i < n && isBlank(at(i)))
            ++i;
    };

    skipBlanks();
    if (i + 1 < n && at(i) == '&' && (at(i + 1) == 'H' || at(i + 1) == 'h')) {
        i += 2;
        std::uint64_t v = 0;
        int digits = 0;
        for (; i < n; ++i) {
            const char32_t c = at(i);
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

    // Gather the characters of the number without blanks, then convert them in one go.
    char buf[128];
    int len = 0;
    auto put = [&](char c) {
        if (len < int(sizeof buf) - 1)
            buf[len++] = c;
    };
    if (i < n && (at(i) == '+' || at(i) == '-')) {
        if (at(i) == '-')
            put('-');
        ++i;
    }
    bool point = false, mantissaDigits = false;
    for (; i < n; ++i) {
        const char32_t c = at(i);
        if (isBlank(c))
            continue;
        if (c >= '0' && c <= '9') {
            put(char(c));
            mantissaDigits = true;
        } else if (c == '.' && !point) {
            put('.');
            point = true;
        } else {
            break;
        }
    }
    if (!mantissaDigits)
        return 0.0;
    skipBlanks();
    if (i < n && (at(i) == 'E' || at(i) == 'e' || at(i) == 'D' || at(i) == 'd')) {
        // The exponent counts only when digits follow it.
        qsizetype j = i + 1;
        char exp[16];
        int elen = 0;
        while (j < n && isBlank(at(j)))
            ++j;
        if (j < n && (at(j) == '+' || at(j) == '-'))
            exp[elen++] = char(at(j++));
        bool expDigits = false;
        for (; j < n; ++j) {
            const char32_t c = at(j);
            if (isBlank(c))
                continue;
            if (c < '0' || c > '9')
                break;
            if (elen < int(sizeof exp) - 1)
                exp[elen++] = char(c);
            expDigits = true;
        }
        if (expDigits) {
            put('e');
            for (int k = 0; k < elen; ++k)
                put(exp[k]);
        }
    }
    buf[len] = '\0';
    double v = 0.0;
    if (std::from_chars(buf, buf + len, v).ec == std::errc::result_out_of_range)
        v = std::strtod(buf, nullptr);  // beyond double: strtod gives the infinity or zero
    return v;
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
    auto r = std::to_chars(digits, digits + sizeof digits, std::fabs(v), std::chars_format::fixed,
                           decimals);
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
    auto r = std::to_chars(out, out + 32, v, std::chars_format::general, precision);
    for (char* p = out; p != r.ptr; ++p)
        if (*p == 'e')
            *p = 'E';
    return r.ptr;
}

}  // namespace

char* GeneralSingle(char* out, float v) { return general(out, double(v), 7); }
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
