// The reader's fast path for numbers against the text-to-number rule, on the same bytes: the whole
// input as one value field, and the input as sample lines against a plain line-by-line reading
// that takes every value through the rule. Any difference (a NaN or infinity stored, a float
// rounded otherwise, a line accepted or refused otherwise) stops the run.
#include "core/files/CsvReader.h"
#include "core/platform/NumText.h"
#include "core/trend/SampleStore.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

// The rule's reading of a value field: its number, or nothing when no 32-bit float holds it.
bool ruleValue(std::string_view f, float& out)
{
    const double v = tavin::Val(f);
    if (!(std::fabs(v) <= double(std::numeric_limits<float>::max())))
        return false;
    out = float(v);
    return true;
}

bool ruleTime(std::string_view f, double& out)
{
    double v = 0;
    const auto r = std::from_chars(f.data(), f.data() + f.size(), v);
    if (r.ec == std::errc() && r.ptr == f.data() + f.size() && std::isfinite(v)) {
        out = v;
        return true;
    }
    return tavin::ParseDateField(f, out);
}

bool same(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }
bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

constexpr std::int32_t MaxLines = 1000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    float fast = 0, rule = 0;
    const bool fastOk = tavin::CsvValue(text, fast);
    if (fastOk != ruleValue(text, rule) || (fastOk && !same(fast, rule)))
        std::abort();

    static tavin::SampleStore store;
    store.ave.AveReset(1);
    const double start = 46362.5;
    const tavin::CsvSamples r =
        tavin::ReadCsvSamples(QByteArrayView(text.data(), qsizetype(size)), 0, start, store, MaxLines);

    // The plain reading: lines end at CR LF, CR or LF; fields at every comma; a line without a
    // comma or with a NUL byte is bad.
    std::int32_t dataCnt = 0, badLine = 0, lines = 0;
    double current = start;
    std::size_t at = 0;
    for (std::int32_t i = 0; i < MaxLines && at < size && badLine == 0; ++i) {
        std::size_t end = at;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        const std::string_view line = text.substr(at, end - at);
        at = end + (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? 2
                    : end < size                                                               ? 1
                                                                                               : 0);
        const std::size_t c1 = line.find(',');
        if (c1 == std::string_view::npos || line.find('\0') != std::string_view::npos) {
            badLine = i + 2;
            break;
        }
        const std::size_t c2 = line.find(',', c1 + 1);
        const std::string_view f1 = line.substr(0, c1);
        const std::string_view f2 =
            line.substr(c1 + 1, c2 == std::string_view::npos ? std::string_view::npos : c2 - c1 - 1);
        float v = 0;
        if (!f1.empty() && !ruleValue(f1, v)) {
            badLine = i + 2;
            break;
        }
        if (!f2.empty() && !ruleTime(f2, current)) {
            badLine = i + 2;
            break;
        }
        if (!f1.empty()) {
            if (!same(store.g_Datas[std::size_t(i)], v))
                std::abort();
            dataCnt = i + 1;
        }
        if (!same(store.g_DataTime[std::size_t(i)], current))
            std::abort();
        lines = i + 1;
    }
    if (r.dataCnt != dataCnt || r.badLine != badLine || r.lines != lines || store.g_DataCnt != dataCnt)
        std::abort();
    return 0;
}
