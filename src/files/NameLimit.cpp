#include "files/NameLimit.h"

#include <QFile>

#include <algorithm>
#include <cstdint>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tavin {

namespace {

// "-YYYYMMDD-HHNNSS-" (17), the segment number (10), "-YYYYMMDD-HHNNSS" (16), "-999" (4), ".csv" (4).
constexpr int kAddedBytes = 17 + 10 + 16 + 4 + 4;
constexpr int kUsualNameMax = 255;

}  // namespace

int LongestRecordingNameBytes(const QString& base) { return int(QFile::encodeName(base).size()) + kAddedBytes; }

int FolderNameMax(const QString& folder)
{
#ifdef Q_OS_UNIX
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    if (max > 0)
        return int(std::min(max, long(INT32_MAX)));
#else
    Q_UNUSED(folder);
#endif
    return kUsualNameMax;
}

bool BaseNameFits(const QString& folder, const QString& base)
{
    return LongestRecordingNameBytes(base) <= FolderNameMax(folder);
}

}  // namespace tavin
