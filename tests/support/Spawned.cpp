#include "support/Spawned.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace tavin::test {

namespace {

// A pipe filled until a write would block: its write end; `readEnd` takes the other.
int stalledPipe(int& readEnd)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    readEnd = ends[0];
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    static const char block[4096] = {};
    while (::write(ends[1], block, sizeof block) > 0) {
    }
    ::fcntl(ends[1], F_SETFL, 0);
    return ends[1];
}

}  // namespace

Spawned::~Spawned() { killAndReap(); }

void Spawned::killAndReap()
{
    if (running()) {
        kill();
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    closeFiles();
}

bool Spawned::start(const QString& program, const QStringList& args)
{
    killAndReap();  // a child of an earlier start still running is killed and reaped first
    pid_ = 0;
    ended_ = false;
    exitCode_ = -1;
    error_.clear();
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder: ") + dir_.errorString();
        return false;
    }
    // The files are made here and their read ends kept, so that nothing written is missed.
    const auto make = [&](const char* name, int& readEnd) {
        const QByteArray path = QFile::encodeName(dir_.filePath(QString::fromLatin1(name)));
        const int write = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        readEnd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        return write;
    };
    const int outWrite = stalled_ ? stalledPipe(out_) : make("stdout", out_);
    const int errWrite = merged_ ? -1 : make("stderr", err_);

    QList<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& a : args)
        argBytes.append(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // This process's environment, with the locale's variables replaced when one is set.
    QList<QByteArray> envBytes;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('='));
        if (locale_.isEmpty() || (name != "LANG" && name != "LC_ALL" && name != "LANGUAGE"))
            envBytes.append(entry);
    }
    if (!locale_.isEmpty())
        envBytes << "LANG=" + locale_ << "LC_ALL=" + locale_;
    std::vector<char*> envp;
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&files, outWrite, 1);
    posix_spawn_file_actions_adddup2(&files, merged_ ? outWrite : errWrite, 2);
    // The child starts with no signal blocked and every signal's default action, whatever this
    // process set for itself.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    int result = EBADF;
    if (outWrite >= 0 && out_ >= 0 && (merged_ || (errWrite >= 0 && err_ >= 0))) {
        const bool searched = !program.contains(u'/');
        result =
            (searched ? posix_spawnp : posix_spawn)(&pid_, argv[0], &files, &attr, argv.data(), envp.data());
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    for (int fd : {outWrite, errWrite})
        if (fd >= 0)
            ::close(fd);
    if (result != 0) {
        pid_ = 0;
        error_ = program + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(result));
        return false;
    }
    return true;
}

bool Spawned::running()
{
    if (pid_ <= 0 || ended_)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_)
        reap(status);
    return !ended_;
}

bool Spawned::waitForFinished(int ms)
{
    if (pid_ <= 0)
        return false;
    const QDeadlineTimer deadline(ms);
    while (running()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

void Spawned::send(int sig)
{
    if (running())
        ::kill(pid_, sig);
}

void Spawned::reap(int status)
{
    ended_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QByteArray Spawned::readNew(int fd)
{
    QByteArray bytes;
    if (fd < 0)
        return bytes;
    char chunk[65536];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bytes.append(chunk, n);
    }
    return bytes;
}

void Spawned::closeFiles()
{
    for (int* fd : {&out_, &err_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

namespace {

// The children of this process that run (or sleep): those already ended and not reaped yet are left out.
std::vector<pid_t> runningChildren()
{
    std::vector<pid_t> found;
    const pid_t self = ::getpid();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && after[1].toInt() == self && after[0] != "Z" && after[0] != "X")
            found.push_back(pid);
    }
    return found;
}

class ChildrenOutliving : public ::testing::EmptyTestEventListener {
    // Runs before the result is printed: the end of a test goes to the listeners in reverse order.
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (const pid_t pid : runningChildren()) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            const QByteArray command =
                cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll().replace('\0', ' ') : "?";
            if (command.contains("symbolizer"))
                continue;  // a sanitizer's helper, which lives as long as the test program
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            ADD_FAILURE() << "a child of the test outlived it: " << pid << ' ' << command.toStdString();
        }
    }
};

}  // namespace

void FailTestsThatLeaveChildren()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new ChildrenOutliving);
}

}  // namespace tavin::test
