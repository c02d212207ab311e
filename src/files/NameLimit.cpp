#include "files/NameLimit.h"

#include <QFile>

#include <unistd.h>

namespace tavin {

int LongestRecordingNameBytes(const QString& base)
{
    // "-YYYYMMDD-HHNNSS-" + a segment number of up to 10 digits + "-YYYYMMDD-HHNNSS" + "-999" + ".csv"
    return int(QFile::encodeName(base).size()) + 51;
}

int FolderNameMax(const QString& folder)
{
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return max > 0 ? int(max) : 255;
}

bool BaseNameFits(const QString& folder, const QString& base)
{
    return LongestRecordingNameBytes(base) <= FolderNameMax(folder);
}

QString CutToBytes(QString text, int maxBytes)
{
    while (!text.isEmpty() && QFile::encodeName(text).size() > maxBytes)
        text.chop(text.size() > 1 && text.back().isLowSurrogate() ? 2 : 1);
    return text;
}

}  // namespace tavin
