// Keeping what was measured, as the window sees it: segments the engine could not save yet, and
// the journals a program that ended without saving left behind, which become recordings at start.
#include "core/app/AppState.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/Prompts.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

namespace tavin {

void frmMain::saveUnsaved()
{
    if (engine_->saveUnsaved() > 0)
        RefreshScreen();  // what it says in the status bar
    const AcquisitionView v = engine_->view();
    showUnsaved(v.unsaved, v.unsavedInMemoryOnly);
}

void frmMain::showUnsaved(int n, int inMemoryOnly)
{
    const QString text =
        n == 0 ? QString()
               : QStringLiteral("未保存の測定データ: %1 区間").arg(n) +
                     (inMemoryOnly > 0
                          ? QStringLiteral("（うち %1 区間はメモリ上だけにあり、終了すると失われます）")
                                .arg(inMemoryOnly)
                          : QString());
    if (ui.lblUnsaved->isVisible() == (n > 0) && text == ui.lblUnsaved->text())
        return;
    ui.lblUnsaved->setText(text);
    ui.lblUnsaved->setVisible(n > 0);
    if (n == 0)
        ui.tmrUnsaved->stop();
    else if (!ui.tmrUnsaved->isActive())
        ui.tmrUnsaved->start();
}

bool frmMain::goOnWithUnsaved(const QString& question)
{
    saveUnsaved();
    const int unsaved = engine_->view().unsaved;
    if (unsaved == 0)
        return true;
    return st_.env.prompts->message(
               {QStringLiteral("保存できなかった測定データが %1 区間あります。保存先に書き込めるようになると"
                               "自動で保存します。\r\n")
                        .arg(unsaved) +
                    question,
                windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation}) == MsgAnswer::Yes;
}

void frmMain::recoverJournals()
{
    const JournalRecovery r = RecoverLeftJournals(st_.log, st_.env, st_.Settings.SaveDir);
    engine_->setJournalFolders(r.folders);
    const QList<RecoveredJournal>& recovered = r.recovered;
    if (recovered.isEmpty())
        return;
    const RecoveredJournal& last = recovered.constLast();
    ui.StatusBar1->showMessage(
        recovered.size() == 1
            ? QStringLiteral("前回の測定を復旧しました: %1 (%2 件)")
                  .arg(QFileInfo(last.path).fileName())
                  .arg(last.samples)
            : QStringLiteral("前回の測定を %1 ファイルに復旧しました.").arg(recovered.size()));
}

}  // namespace tavin
