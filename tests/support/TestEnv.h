// A fresh program folder, scripted prompts and a settable clock for every test.
#pragma once

#include "core/app/AppState.h"
#include "core/platform/Prompts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Readable failure messages for Qt's text types.
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toPercentEncoding(" =[]./-_:;!?#()+*,'&$~").toStdString() << '"';
}
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace tavin::test {

// User plus system CPU time of this process so far, in seconds.
double CpuSeconds();

// Ends the process (SIGALRM) when the test still runs `seconds` after this was made: a fault that
// waits on a named pipe for ever then fails its test instead of hanging the whole run.
struct Deadline {
    explicit Deadline(unsigned seconds);
    ~Deadline();
};

// What may stand where the program expects a regular file (a device: a link to /dev/null).
enum class NotAFile { Fifo, Device, Folder };
inline constexpr NotAFile AllNotAFile[] = {NotAFile::Fifo, NotAFile::Device, NotAFile::Folder};
inline const char* Name(NotAFile kind)
{
    return kind == NotAFile::Fifo ? "fifo" : kind == NotAFile::Device ? "device" : "folder";
}
// The reason the program gives for it.
inline QString ReasonFor(NotAFile kind)
{
    return kind == NotAFile::Folder ? QStringLiteral("フォルダです")
                                    : QStringLiteral("通常のファイルではありません");
}

struct TestEnv {
    TestEnv();

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 3));

    // An environment whose executable folder is the temporary folder.
    AppEnv env();
    // A fresh process state over that environment.
    std::unique_ptr<AppState> state();

    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    // Puts `kind` at `name`; false when that failed.
    bool make(const QString& name, NotAFile kind) const;
    // The file type bits (S_IFMT) of what is at `name`, following links; 0 when nothing is there.
    unsigned typeOf(const QString& name) const;
};

}  // namespace tavin::test
