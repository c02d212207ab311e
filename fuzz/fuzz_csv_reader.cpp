// Recording files come from anywhere: any bytes must load without a crash or a hang, stay within
// the store, and end with a clear result.
#include "files/CsvReader.h"
#include "trend/MovingAverage.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::vector<float> values(1001), averages(1001);
    static std::vector<tavin::OleDate> times(1001);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const tavin::CsvHeaderLine header = tavin::ReadCsvHeader(bytes);
    if (header.next > qsizetype(size))
        std::abort();
    tavin::OleDate start = 0;
    if (header.fields.size() >= 2)
        tavin::ParseDateField(header.fields[1].toStdString(), start);
    tavin::MovingAverage ave;
    ave.AveReset(size % 7 + 1);
    const tavin::CsvSamples r = tavin::ReadCsvSamples(bytes, header.next, start, values.data(), times.data(),
                                                      averages.data(), ave, 1000);
    if (r.dataCnt > 1000 || r.lines > 1000 || r.dataCnt > r.lines || r.badLine < 0)
        std::abort();
    return 0;
}
