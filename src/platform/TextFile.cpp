#include "platform/TextFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
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

QString Cp932Unencodable(QStringView text)
{
    QStringEncoder whole("windows-31j");
    // encode() is lazy: the text is converted only when the result becomes bytes.
    const QByteArray all = whole.encode(text);
    if (!whole.hasError())
        return QString();
    // Some character failed: find which, one code point (a surrogate pair stays together) at a time.
    QString missing;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView one = text.mid(i, n);
        QStringEncoder encoder("windows-31j");
        const QByteArray bytes = encoder.encode(one);
        if (encoder.hasError() && !missing.contains(one))
            missing += one;
        i += n;
    }
    return missing;
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

namespace {

// Why an operation on `f` failed. A write that stops part-way (a disk that fills, a file-size
// limit) leaves Qt with no reason of its own ("Unknown error"), while the system's error number
// says why: errno is cleared before each operation, so a number set afterwards is its reason.
QString failureReason(const QFileDevice& f, int systemError)
{
    const QString qtReason = f.errorString();
    const bool qtKnows = f.error() != QFileDevice::NoError && f.error() != QFileDevice::UnspecifiedError &&
                         qtReason != QCoreApplication::translate("QIODevice", "Unknown error");
    if (qtKnows || systemError == 0)
        return qtReason;
    return QString::fromLocal8Bit(std::strerror(systemError));
}

}  // namespace

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
        errno = 0;
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(failureReason(f, errno));
        errno = 0;
        if (!write(f) || !f.flush())
            return fail(failureReason(f, errno));
#ifdef Q_OS_UNIX
        if (::fsync(f.handle()) != 0)
            return fail(QStringLiteral("fsync: ") + QString::fromLocal8Bit(std::strerror(errno)));
#endif
        errno = 0;
        f.close();
        if (f.error() != QFileDevice::NoError)
            return fail(failureReason(f, errno));
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(scratchPath.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec)
        return fail(QString::fromLocal8Bit(ec.message()));
    // Only once the new name is on the disk may what depends on it (removing a journal) follow.
    SyncFolderOf(path);
    return true;
}

void SyncFolderOf(const QString& path)
{
#ifdef Q_OS_UNIX
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
}

bool AppendToFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile f(path);
    errno = 0;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = failureReason(f, errno);
        return false;
    }
    errno = 0;
    const bool ok = f.write(bytes) == bytes.size() && f.flush();
    if (!ok && error)
        *error = failureReason(f, errno);
    return ok;
}

}  // namespace tavin
