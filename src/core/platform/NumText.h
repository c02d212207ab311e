// Numbers as text: the text-to-number rule, number patterns, general form and rounding.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <string_view>

namespace tavin {

// Reads the leading number of a text: blanks, tabs and line feeds are skipped wherever they
// stand; an optional sign, digits, one decimal point and an exponent (E or D) are read; reading
// stops at the first other character. "&H" starts a hexadecimal number. No number gives 0.
double Val(QStringView text);
double Val(std::string_view text);

// Round to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x);
// Round to `decimals` places, halves to even, decided on the exact binary value.
double Round(double x, int decimals);
// CInt / CLng: round half to even into a 16- / 32-bit integer; throw Overflow when out of range.
std::int16_t CInt(double x);
std::int32_t CLng(double x);
// Largest integer not above x.
double Int(double x);

// Writes `v` with a pattern such as "0.000", "00.00" or "0000": each '0' is a digit always
// written, '.' the decimal point; the value is rounded half to even to the pattern's decimals and
// a negative value gets a leading '-'. Returns the end of the written text; `out` needs room for
// 32 + pattern length characters.
char* FormatNumber(char* out, double v, std::string_view pattern);
QString FormatNumber(double v, std::string_view pattern);

// General form: up to 7 (32-bit) or 15 (64-bit) significant digits, no trailing zeros, exponent
// written "1E+07". `out` needs room for 40 characters.
char* GeneralSingle(char* out, float v);
char* GeneralDouble(char* out, double v);
QString GeneralSingle(float v);
QString GeneralDouble(double v);

// Writes value × coefficient exactly as decimals: each read as the shortest decimal that gives the
// same float (69.27, 2.5), multiplied as decimals, so the product has their decimals together and
// no float noise (173.175, never 173.17499); no trailing zeros. Both must be finite. `out` needs
// room for 48 characters.
char* WriteProduct(char* out, float value, float coef);

// Writes `count` decimal digits of `value` (at most 16), most significant first, with leading
// zeros.
void WriteDigits(char* out, std::uint64_t value, int count);

// Converts a whole text to a 32-bit float the way a typed number is converted: surrounding blanks
// are allowed, anything else that is not part of the number is a type mismatch (thrown).
float CSng(QStringView text);

}  // namespace tavin
