// A fresh program folder, scripted prompts and a settable clock for every test.
#pragma once

#include "app/AppState.h"
#include "platform/Prompts.h"

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
};

}  // namespace tavin::test
