// The recordings in a folder read back as the program reads them, ordered by segment number.
#pragma once

#include "core/files/CsvReader.h"
#include "core/trend/SampleStore.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace tavin::test {

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Recording {
    CsvHeader header;
    std::vector<float> values;
    std::vector<OleDate> times;
    QByteArray bytes;
    QString path;
};
inline std::vector<Recording> recordings(const QString& folder)
{
    std::vector<Recording> out;
    for (const QFileInfo& f : QDir(folder).entryInfoList({"*.csv"}, QDir::Files, QDir::Name)) {
        const QByteArray bytes = readFile(f.filePath());
        const CsvHeaderLine h = ReadCsvHeader(bytes);
        auto s = std::make_unique<SampleStore>();
        const auto n = ReadCsvSamples(bytes, h.next, h.header.start, *s, SampleStore::Capacity).dataCnt;
        out.push_back({h.header,
                       {s->g_Datas.begin(), s->g_Datas.begin() + n},
                       {s->g_DataTime.begin(), s->g_DataTime.begin() + n},
                       bytes,
                       f.filePath()});
    }
    std::ranges::stable_sort(out, {}, [](const Recording& r) { return r.header.fileNo; });
    return out;
}
// Every value of the folder's recordings, segment after segment.
inline std::vector<float> recorded(const QString& folder)
{
    std::vector<float> all;
    for (const Recording& r : recordings(folder))
        all.insert(all.end(), r.values.begin(), r.values.end());
    return all;
}

}  // namespace tavin::test
