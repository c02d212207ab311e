#include "core/platform/TextFile.h"

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
#include <sys/stat.h>
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
        const qsizetype n =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
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

namespace {

const QString kFolder = QStringLiteral("フォルダです");
const QString kNotRegular = QStringLiteral("通常のファイルではありません");

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

#ifdef Q_OS_UNIX
QString typeReason(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    return S_ISDIR(mode) ? kFolder : kNotRegular;
}

// Opens `path` without waiting on it (O_NONBLOCK: a named pipe without its other end answers at
// once) and keeps the descriptor only when it is a regular file; -1 with the reason otherwise.
int openRegular(const QString& path, int flags, QString* why)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        // A pipe opened for writing with nobody reading says ENXIO; its type says more.
        const QString reason = NotRegularFileReason(path);
        *why = reason.isEmpty() ? systemReason(error) : reason;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = typeReason(st.st_mode);
        ::close(fd);
        return -1;
    }
    return fd;
}
#endif

// The bytes of a regular file, or false with the reason.
bool readRegular(const QString& path, QByteArray& bytes, QString* why)
{
    QFile f;
#ifdef Q_OS_UNIX
    const int fd = openRegular(path, O_RDONLY, why);
    if (fd < 0)
        return false;
    f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    if (const QString reason = NotRegularFileReason(path); !reason.isEmpty()) {
        *why = reason;
        return false;
    }
    f.setFileName(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return false;
    }
#endif
    bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *why = f.errorString();
        return false;
    }
    return true;
}

}  // namespace

QString NotRegularFileReason(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();  // nothing there (or a link to nothing): a name still free
    return typeReason(st.st_mode);
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    return info.isDir() ? kFolder : kNotRegular;
#endif
}

bool ReadTextLines(const QString& path, QStringList& lines, QString* error, QList<int>* undecodable)
{
    QByteArray bytes;
    QString why;
    if (!readRegular(path, bytes, &why)) {
        if (error)
            *error = why;
        return false;
    }
    lines.clear();
    if (undecodable)
        undecodable->clear();
    // Line by line, so that each line's bytes are judged on their own. CR and LF are never part of
    // a two-byte character, so splitting the bytes first cuts where splitting the text would.
    const char* const data = bytes.constData();
    const qsizetype n = bytes.size();
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && data[end] != '\r' && data[end] != '\n')
            ++end;
        // A line end goes through the decoder after each line, so that a lead byte cut by the end
        // is a fault rather than a byte the decoder keeps waiting for.
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        QString line = decoder.decode(QByteArray(data + start, end - start) + '\n');
        line.chop(1);
        if (decoder.hasError()) {
            // The decoder puts SUB (U+001A) where bytes failed; the user is shown what that is.
            line.replace(QChar(0x1A), QChar(QChar::ReplacementCharacter));
            if (undecodable)
                undecodable->append(int(lines.size()));
        }
        lines.append(line);
        start = end + (end + 1 < n && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
    }
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
    // Whatever else stands under the name (a named pipe, a device, a socket) stays: it is not ours
    // to replace.
    if (const QString reason = NotRegularFileReason(path); !reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    {
        QFile f(scratchPath);
#ifdef Q_OS_UNIX
        QString why;
        const int fd = openRegular(scratchPath, O_WRONLY | O_CREAT | O_TRUNC, &why);
        if (fd < 0)
            return fail(why);
        f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
#else
        errno = 0;
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(failureReason(f, errno));
#endif
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
    const int dir =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
}

bool AppendToFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile f(path);
#ifdef Q_OS_UNIX
    QString why;
    const int fd = openRegular(path, O_WRONLY | O_CREAT | O_APPEND, &why);
    if (fd < 0) {
        if (error)
            *error = why;
        return false;
    }
    f.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle);
#else
    if (const QString reason = NotRegularFileReason(path); !reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    errno = 0;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = failureReason(f, errno);
        return false;
    }
#endif
    errno = 0;
    const bool ok = f.write(bytes) == bytes.size() && f.flush();
    if (!ok && error)
        *error = failureReason(f, errno);
    return ok;
}

}  // namespace tavin
