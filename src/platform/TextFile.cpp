#include "platform/TextFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tavin {

QString FromCp932(QByteArrayView bytes)
{
    QStringDecoder decoder("windows-31j");
    return decoder.decode(bytes);
}

QByteArray ToCp932(QStringView text)
{
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

QStringList SplitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start).toString());
    return lines;
}

bool ReadTextLines(const QString& path, QStringList& lines, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    lines = SplitLines(FromCp932(bytes));
    return true;
}

bool ReplaceFileAtomically(const QString& path, const QString& scratchPath, const QByteArray& bytes,
                           QString* error)
{
    return ReplaceFileAtomically(
        path, scratchPath, [&](QIODevice& f) { return f.write(bytes) == bytes.size(); }, error);
}

bool ReplaceFileAtomically(const QString& path, const QString& scratchPath,
                           const std::function<bool(QIODevice&)>& write, QString* error)
{
    auto fail = [&](const QString& why) {
        QFile::remove(scratchPath);
        if (error)
            *error = why;
        return false;
    };
    {
        QFile f(scratchPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(f.errorString());
        if (!write(f) || !f.flush())
            return fail(f.errorString());
#ifdef Q_OS_UNIX
        if (::fsync(f.handle()) != 0)
            return fail(QStringLiteral("fsync: ") + QString::fromLocal8Bit(std::strerror(errno)));
#endif
        f.close();
        if (f.error() != QFileDevice::NoError)
            return fail(f.errorString());
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(scratchPath.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec)
        return fail(QString::fromLocal8Bit(ec.message()));
    return true;
}

bool AppendToFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const bool ok = f.write(bytes) == bytes.size() && f.flush();
    if (!ok && error)
        *error = f.errorString();
    return ok;
}

}  // namespace tavin
