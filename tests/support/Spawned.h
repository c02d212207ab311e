// A child program for the tests, started with posix_spawn and its output kept in files.
//
// QProcess starts its children with vfork semantics: the child runs in this process's memory
// until it execs, and ThreadSanitizer takes those accesses for the parent's main thread, which
// spoils its view of every lock taken afterwards. posix_spawn's child runs only inside the C
// library, which the sanitizer does not watch. Offers what the tests use of QProcess's interface.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <sys/types.h>

namespace tavin::test {

class Spawned {
public:
    Spawned() = default;
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;
    ~Spawned();  // a child still running is killed and reaped

    // Standard error into the same file as standard output, for a later start.
    void setMergedChannels(bool merged) { merged_ = merged; }
    // Standard output a pipe that is full from the start and never read, as a stalled reader
    // leaves it, for a later start.
    void setOutputStalled(bool stalled) { stalled_ = stalled; }
    // The locale of a later start's child (LANG and LC_ALL, no LANGUAGE), whatever this process
    // runs under; empty: this process's.
    void setLocale(const QByteArray& locale) { locale_ = locale; }

    // Starts `program` (a path, or a name looked up in PATH) with `args`, standard input from
    // /dev/null; false, with errorString(), when it could not be started. A child of an earlier
    // start still running is killed first.
    bool start(const QString& program, const QStringList& args);
    // posix_spawn returns once the child has executed the program: true when it was started.
    bool waitForStarted(int /*ms*/ = 30000) const { return pid_ > 0; }
    bool running();
    // Waits until the child has ended, handling events meanwhile; false when the time ran out.
    bool waitForFinished(int ms = 30000);
    void terminate() { send(SIGTERM); }
    void kill() { send(SIGKILL); }
    void signal(int sig) { send(sig); }
    // The exit code of an ended child; -1 when it was ended by a signal or has not ended.
    int exitCode() const { return exitCode_; }
    QString errorString() const { return error_; }

    // What the child wrote since the last read.
    QByteArray readAllStandardOutput() { return stalled_ ? QByteArray() : readNew(out_); }
    QByteArray readAllStandardError() { return readNew(err_); }

private:
    void send(int sig);
    void reap(int status);
    void killAndReap();
    static QByteArray readNew(int fd);
    void closeFiles();

    QTemporaryDir dir_;
    bool merged_ = false;
    bool stalled_ = false;
    QByteArray locale_;
    pid_t pid_ = 0;  // the child until it has been reaped
    bool ended_ = false;
    int exitCode_ = -1;
    int out_ = -1;  // read ends of the output files (of the stalled pipe: never read)
    int err_ = -1;
    QString error_;
};

// Makes every test fail whose children are still running when it has ended (they are killed
// then): a test ends what it started. For the test mains, after InitGoogleTest.
void FailTestsThatLeaveChildren();

}  // namespace tavin::test
