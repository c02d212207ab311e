// Recording files come from anywhere: any bytes must load without a crash or a hang, stay within
// the store, and end with a clear result.
#include "core/files/CsvReader.h"
#include "core/trend/SampleStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tavin::SampleStore store;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const tavin::CsvHeaderLine header = tavin::ReadCsvHeader(bytes);
    if (header.next > qsizetype(size))
        std::abort();
    store.ave.AveReset(size % 7 + 1);
    const tavin::CsvSamples r = tavin::ReadCsvSamples(bytes, header.next, header.header.start, store, 1000);
    if (r.dataCnt > 1000 || r.lines > 1000 || r.dataCnt > r.lines || r.badLine < 0 ||
        store.g_DataCnt != r.dataCnt)
        std::abort();
    return 0;
}
