#include "core/files/NameLimit.h"

#include <QFile>

#include <algorithm>

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

QString BaseNameTooLongText(const QString& folder, const QString& base)
{
    return QStringLiteral("ファイル名が長すぎます。このフォルダでは %1 バイトまでの名前を使えます。\r\n(%2)")
        .arg(FolderNameMax(folder) - LongestRecordingNameBytes(QString()))
        .arg(base);
}

namespace {

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

}  // namespace

QString TextRoleProblem(QStringView text, TextRole role)
{
    if (const auto c = std::find_if(text.begin(), text.end(), isControl); c != text.end())
        return QStringLiteral("制御文字 %1 を含みます").arg(ControlsShown(QStringView(c, 1)));
    if (role == TextRole::Name && (text == u"." || text == u".."))
        return QStringLiteral("「.」と「..」は名前にできません");
    if (role == TextRole::Name && text.startsWith(u'.'))
        return QStringLiteral("「.」で始まる名前は隠しファイルになります");
    return QString();
}

QString ControlsShown(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        if (isControl(c))
            shown += QStringLiteral("<%1>").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            shown += c;
    }
    return shown;
}

QString CutToBytes(QString text, int maxBytes)
{
    if (QFile::encodeName(text).size() <= maxBytes)
        return text;
    // Whole characters from the front, a surrogate pair being one.
    qsizetype bytes = 0, i = 0;
    while (i < text.size()) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        bytes += QFile::encodeName(text.mid(i, n)).size();
        if (bytes > maxBytes)
            break;
        i += n;
    }
    text.truncate(i);
    return text;
}

}  // namespace tavin
