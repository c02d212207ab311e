// The system calls through which recordings and journals reach the disk, and a new file that
// takes its name only when it is complete and never takes the place of another file.
//
// Every call goes through here so that tests can make one fail as a full disk, a failing disk or
// another program would make it fail (ENOSPC on a write, EIO on a sync, a name taken meanwhile),
// without racing the real thing. With no fault armed a call costs one relaxed atomic load.
#pragma once

#include <QString>

#include <functional>
#include <sys/types.h>
#include <utility>

class QIODevice;

namespace tavin {

namespace fileops {

enum class Op { Open, Write, Sync, Rename };

int open(const char* path, int flags, mode_t mode = 0);
ssize_t write(int fd, const void* data, size_t size);
int fdatasync(int fd);
// Gives the file `from` the name `to` only when no file has that name (EEXIST otherwise).
int renameNoReplace(const char* from, const char* to);

// A failure to inject: the next `count` calls of `op` (after `skip` that pass) on a path that
// contains `pathPart` (any path when empty; writes and syncs have no path and always match) fail
// with `error`. `before`, when set, runs at the call instead of failing it when `error` is 0:
// a test's stand-in for another program acting just then.
struct Fault {
    Fault(Op op, int error, int skip = 0, int count = 1, QString pathPart = {},
          std::function<void(const char* path)> before = {})
        : op(op), error(error), skip(skip), count(count), pathPart(std::move(pathPart)),
          before(std::move(before))
    {
    }
    Op op;
    int error;
    int skip;
    int count;
    QString pathPart;
    std::function<void(const char* path)> before;
};
// Arms `fault` until the returned guard ends; faults do not nest.
class InjectedFault {
public:
    explicit InjectedFault(Fault fault);
    ~InjectedFault();
    InjectedFault(const InjectedFault&) = delete;
    InjectedFault& operator=(const InjectedFault&) = delete;
    // How many calls the fault hit so far.
    int hits() const;
};

}  // namespace fileops

// Creates `path` exclusively and locks it (flock) for as long as the returned descriptor is open;
// -1 with errno when it cannot be made, or EEXIST when the name is taken, also by a file that
// replaced ours between the creation and the lock. A locked file belongs to a running writer.
int CreateLockedFile(const QString& path);

// `path` with "-n" before its extension ("a.csv" → "a-2.csv").
QString NumberedPath(const QString& path, int n);

// Removes the name `path` only while it still names the open file `fd`: a name someone else's
// file (or a newer file of ours) has taken meanwhile stays. True when the name is gone.
bool UnlinkIfSame(int fd, const QString& path);

// Writes a new file near `wanted` with the content `write` produces: first under a scratch name
// that only this call uses (exclusive, locked while written, then synced), then renamed to
// `wanted` or, when that name is taken (also by another program meanwhile), to the first free one
// of "-2", "-3" ... before the extension. An existing file is never replaced. The folder is
// synced before returning, so what depends on the file (removing a journal) may follow. The path
// the file took, or empty with the reason in `why`; no scratch file stays behind.
QString WriteNewFile(const QString& wanted, const std::function<bool(QIODevice&)>& write, QString* why);

// The scratch files of WriteNewFile are named ".tavin-XXXXXX.part"; one that no running writer
// locks is what a killed program left behind. Removes those in `folder`.
void RemoveLeftScratchFiles(const QString& folder);

}  // namespace tavin
