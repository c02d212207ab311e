#include "core/app/basLog.h"

#include "core/platform/AppEnv.h"
#include "core/platform/DateTime.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace tavin {

EventLog::EventLog(const AppEnv& env) : env_(env)
{
    QObject::connect(
        &home_, &NoticeRelay::pending, &home_, [this] { showQueued(); }, Qt::QueuedConnection);
}

void EventLog::showQueued()
{
    std::vector<MessageBox> boxes;
    {
        const std::lock_guard lock(m_);
        boxes.swap(queued_);
    }
    for (const MessageBox& box : boxes)
        env_.prompts->notice(box);
}

short EventLog::LogInit(const QString& program)
{
    auto fail = [&](const QString& description) -> short {
        if (env_.prompts)
            env_.prompts->message({description, QString(), MsgButtons::Ok, MsgIcon::None});
        return -1;
    };

    const QString folder = env_.statePath(QStringLiteral("LOG"));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("フォルダ %1 を作成できません。").arg(QDir::toNativeSeparators(folder)));

    const OleDate today = env_.now();
    const DateFields f = SplitOleDate(today);
    LogFilePath = folder + QStringLiteral("/PG%1.Log").arg(f.day, 2, 10, QLatin1Char('0'));

    // Something else in the file's place (a named pipe, a folder) is left as it is: the log
    // writes nothing this run rather than wait on it or lose it.
    if (const QString reason = NotRegularFileReason(LogFilePath); !reason.isEmpty()) {
        unusable_ = true;
        return fail(QStringLiteral("ログファイル %1 は使えません (%2)。\nこの実行中のログは記録されません。")
                        .arg(QDir::toNativeSeparators(LogFilePath), reason));
    }

    // A file last written on another date belongs to an earlier month: start it afresh.
    const QFileInfo info(LogFilePath);
    if (info.exists()) {
        const OleDate modified = ToOleDate(info.lastModified());
        if (ShortDate(modified) != ShortDate(today) && !QFile::remove(LogFilePath))
            return fail(
                QStringLiteral("ファイル %1 を削除できません。").arg(QDir::toNativeSeparators(LogFilePath)));
    }

    LogMsg(0, QStringLiteral("LogInit"),
           QStringLiteral("### ") + (program.isEmpty() ? env_.exeBaseName : program) +
               QStringLiteral("が起動されました。 ###"));
    return 0;
}

int EventLog::LogMsg(int level, const QString& procName, const QString& message)
{
    if (LogFilePath.isEmpty() && !boxesWithoutFile)
        return -1;

    QString levelText;
    switch (level) {
    case 0: levelText = QStringLiteral("INF "); break;
    case 1: levelText = QStringLiteral("WAR "); break;
    case 2: levelText = QStringLiteral("ERR "); break;
    default: break;
    }
    if (level == 2 && env_.prompts) {
        const MessageBox box{message, QStringLiteral("LogMsg"), MsgButtons::Ok, MsgIcon::None};
        if (QThread::currentThread() == home_.thread()) {
            env_.prompts->notice(box);
        } else {
            {
                const std::lock_guard lock(m_);
                queued_.push_back(box);
            }
            Q_EMIT home_.pending();
        }
    }

    const std::lock_guard lock(m_);
    if (unusable_ || LogFilePath.isEmpty())
        return -1;
    const OleDate now = env_.now();
    const QString line = levelText + ShortDate(now) + u' ' + LongTime(now) + QStringLiteral(" [") + procName +
                         QStringLiteral("]: ") + message + QStringLiteral("\r\n");
    return AppendToFile(LogFilePath, ToCp932(line)) ? 0 : -1;
}

}  // namespace tavin
