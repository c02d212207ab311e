#include "core/platform/FileOps.h"

#include "core/platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavin {

namespace fileops {

namespace {

std::atomic<bool> armed{false};
std::mutex faultMutex;
std::optional<Fault> fault;  // under faultMutex
int faultHits = 0;           // under faultMutex

// Whether the armed fault takes this call; errno is set when it fails it.
bool injected(Op op, const char* path)
{
    if (!armed.load(std::memory_order_relaxed))
        return false;
    std::function<void(const char*)> before;
    {
        std::lock_guard lock(faultMutex);
        if (!fault || fault->op != op || fault->count <= 0 ||
            (path && !fault->pathPart.isEmpty() && !QFile::decodeName(path).contains(fault->pathPart)))
            return false;
        if (fault->skip > 0) {
            --fault->skip;
            return false;
        }
        --fault->count;
        ++faultHits;
        if (fault->error != 0) {
            errno = fault->error;
            return true;
        }
        before = fault->before;
    }
    if (before)
        before(path);
    return false;
}

}  // namespace

int open(const char* path, int flags, mode_t mode)
{
    return injected(Op::Open, path) ? -1 : ::open(path, flags, mode);
}

ssize_t write(int fd, const void* data, size_t size)
{
    return injected(Op::Write, nullptr) ? -1 : ::write(fd, data, size);
}

int fdatasync(int fd) { return injected(Op::Sync, nullptr) ? -1 : ::fdatasync(fd); }

int renameNoReplace(const char* from, const char* to)
{
    if (injected(Op::Rename, to))
        return -1;
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag: a second name fails when taken, then the first goes.
    if (::link(from, to) != 0)
        return -1;
    ::unlink(from);
    return 0;
}

InjectedFault::InjectedFault(Fault f)
{
    std::lock_guard lock(faultMutex);
    fault = std::move(f);
    faultHits = 0;
    armed.store(true);
}

InjectedFault::~InjectedFault()
{
    std::lock_guard lock(faultMutex);
    fault.reset();
    armed.store(false);
}

int InjectedFault::hits() const
{
    std::lock_guard lock(faultMutex);
    return faultHits;
}

}  // namespace fileops

namespace {

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Writes through the seam, so that a disk that fills part-way is seen as it would be.
class FdDevice : public QIODevice {
public:
    explicit FdDevice(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int error = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = fileops::write(fd_, data + done, size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : ENOSPC;
                return done > 0 ? done : -1;
            }
            done += n;
        }
        return done;
    }

private:
    int fd_;
};

const QString ScratchPrefix = QStringLiteral(".tavin-");
const QString ScratchSuffix = QStringLiteral(".part");

// A scratch file of our own in `folder`: created exclusively and locked; -1 with errno when none
// can be made.
int createScratch(const QString& folder, QString* path)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = ScratchPrefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[QRandomGenerator::global()->bounded(36)]);
        *path = QDir(folder).filePath(name + ScratchSuffix);
        const int fd = CreateLockedFile(*path);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

QString NumberedPath(const QString& path, int n)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype cut = dot > slash ? dot : path.size();
    return path.left(cut) + QStringLiteral("-%1").arg(n) + path.mid(cut);
}

bool UnlinkIfSame(int fd, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat opened {
    }, named{};
    if (::stat(name.constData(), &named) != 0)
        return errno == ENOENT;
    if (::fstat(fd, &opened) != 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev)
        return true;  // not ours any more: ours is gone already
    return ::unlink(name.constData()) == 0 || errno == ENOENT;
}

int CreateLockedFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = fileops::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct stat opened {
    }, named{};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev)
        return fd;
    // Between the creation and the lock another program took the empty file for one left behind
    // and removed it (or locks it): this name is not ours.
    ::close(fd);
    errno = EEXIST;
    return -1;
}

QString WriteNewFile(const QString& wanted, const std::function<bool(QIODevice&)>& write, QString* why)
{
    const QString folder = QFileInfo(wanted).absolutePath();
    QString scratch;
    const int fd = createScratch(folder, &scratch);
    if (fd < 0) {
        *why = systemReason();
        return QString();
    }
    const QByteArray scratchName = QFile::encodeName(scratch);
    auto fail = [&](const QString& reason) {
        ::unlink(scratchName.constData());
        ::close(fd);
        *why = reason;
        return QString();
    };
    {
        FdDevice out(fd);
        errno = 0;
        if (!write(out))
            return fail(QString::fromLocal8Bit(std::strerror(out.error ? out.error : errno ? errno : EIO)));
    }
    if (fileops::fdatasync(fd) != 0)
        return fail(QStringLiteral("fdatasync: ") + systemReason());
    for (int n = 1; n < 1000; ++n) {
        const QString target = n == 1 ? wanted : NumberedPath(wanted, n);
        if (fileops::renameNoReplace(scratchName.constData(), QFile::encodeName(target).constData()) == 0) {
            ::close(fd);
            // Only once the new name is on the disk may what depends on it follow.
            SyncFolderOf(target);
            return target;
        }
        if (errno != EEXIST)
            return fail(systemReason());
    }
    return fail(QString::fromLocal8Bit(std::strerror(EEXIST)));
}

void RemoveLeftScratchFiles(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({ScratchPrefix + u'*' + ScratchSuffix}, QDir::Files | QDir::Hidden)) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A writer holds its lock until the file has its name. Only a regular file is ours.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

}  // namespace tavin
