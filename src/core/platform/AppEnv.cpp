#include "core/platform/AppEnv.h"

#include "core/platform/TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <chrono>
#include <ctime>

namespace tavin {

QDateTime AppEnv::nowDateTime() const { return clock ? clock() : QDateTime::currentDateTime(); }

OleDate AppEnv::now(std::chrono::microseconds ago) const
{
    if (clock) {
        const QDateTime t =
            clock().addMSecs(-std::chrono::duration_cast<std::chrono::milliseconds>(ago).count());
        return ToOleDate(QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second())));
    }
    // The local-time conversion is done once per second; frames arrive up to 1000 times as often.
    static thread_local std::time_t cachedSecond = -1;
    static thread_local OleDate cached = 0;
    // The precise clock: time() reads the kernel's coarse one, which can lag the second's turn by
    // tens of milliseconds and stamp a frame with the second before the one it arrived in.
    const std::time_t second = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - ago);
    if (second != cachedSecond) {
        cachedSecond = second;
        cached = ToOleDate(QDateTime::fromSecsSinceEpoch(second));
    }
    return cached;
}

std::int64_t AppEnv::epochMs(std::chrono::microseconds ago) const
{
    const auto back = std::chrono::duration_cast<std::chrono::milliseconds>(ago).count();
    if (clock)
        return clock().toMSecsSinceEpoch() - back;
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
               .count() -
           back;
}

qint64 ClockMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

// Start the clock with the process rather than at its first reading.
[[maybe_unused]] static const qint64 clockStarted = ClockMs();

QString DocumentsFolder(const AppEnv& env, bool* exists, bool create)
{
    QString dir = env.documentsDir;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool ok = !dir.isEmpty() && (create ? QDir().mkpath(dir) : QFileInfo(dir).isDir());
    if (exists)
        *exists = ok;
    return QDir::toNativeSeparators(dir);
}

InstanceLock::InstanceLock(const QString& folder)
{
    const QString path = folder + QStringLiteral("/TAVIN-Monitor.lock");
    // A lock that exists is read to see who holds it, and reading a named pipe waits for ever.
    if (const QString reason = NotRegularFileReason(path); !reason.isEmpty()) {
        problem_ = QStringLiteral("ロックファイル %1 は使えません (%2)。\n"
                                  "このソフトが既に起動しているかどうかは確認できません。")
                       .arg(QDir::toNativeSeparators(path), reason);
        return;
    }
    lock_ = std::make_unique<QLockFile>(path);
    lock_->setStaleLockTime(0);  // a lock left by a crashed run is recognised by its process id
    // A folder where no lock can be made tells nothing about other instances.
    if (!lock_->tryLock(0))
        previous_ = lock_->error() != QLockFile::PermissionError && lock_->error() != QLockFile::UnknownError;
}

InstanceLock::~InstanceLock() = default;

}  // namespace tavin
