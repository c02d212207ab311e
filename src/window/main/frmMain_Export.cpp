// What leaves the window for other programs and comes back by a shortcut: the analysis CSV, the
// recently loaded recordings, and Ctrl+O and Ctrl+P.
#include "core/app/AppState.h"
#include "core/files/AnalysisCsv.h"
#include "core/files/FileChoices.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace tavin {

std::optional<QString> frmMain::askExportPath(const QString& title, const QString& suffix,
                                              const QString& filter)
{
    const QString folder = LoadFolder.isEmpty() ? st_.Settings.SaveDir : LoadFolder;
    const ExportProposal proposal = ProposeExport(GetPrintFileName(), folder, suffix);
    const std::optional<QString> chosen =
        st_.env.prompts->file({FileDialog::Save, title, proposal.initDir, proposal.name, filter, 1});
    if (!chosen)
        return std::nullopt;
    const QString path = ExportPathOf(*chosen, suffix);
    if (QFileInfo::exists(path) &&
        st_.env.prompts->message({OverwriteQuestion(QDir::toNativeSeparators(path)), windowTitle(),
                                  MsgButtons::YesNo, MsgIcon::Exclamation}) != MsgAnswer::Yes)
        return std::nullopt;
    return path;
}

void frmMain::writeExport(const QString& path, const std::function<bool(QIODevice&)>& write,
                          const QString& done)
{
    // Under a scratch name first: an export that fails leaves no cut file and no earlier one lost.
    QString why;
    if (!ReplaceFileAtomically(path, path + QStringLiteral(".part"), write, &why)) {
        st_.LogMsg(2, QStringLiteral("Export"),
                   QStringLiteral("%1 に書き込めません (%2)。").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    ui.StatusBar1->showMessage(done + QDir::toNativeSeparators(path));
}

void frmMain::mnuExportCsv_Click()
{
    Trap(st_.log, QStringLiteral("mnuExportCsv_Click"), [&] {
        if (st_.store.g_DataCnt.load(std::memory_order_acquire) == 0) {
            st_.env.prompts->message({QStringLiteral("出力するデータがありません。"), windowTitle(),
                                      MsgButtons::Ok, MsgIcon::Information});
            return;
        }
        const std::optional<QString> path =
            askExportPath(QStringLiteral("解析用CSV出力"), QStringLiteral("_analysis.csv"),
                          QStringLiteral("CSVファイル(*.csv)|*.csv|"));
        if (!path)
            return;
        // Taken after the dialogs, which let screen refreshes run (and a full segment be let go
        // of): nothing lets one run from here until the file is written.
        const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
        const AnalysisColumns columns{ui.lblTani->text(), st_.g_Keisu,
                                      ui.chkAve->isChecked() && st_.store.ave.AveNum > 1,
                                      double(st_.Settings.Sampling), reportHeader()};
        writeExport(
            *path,
            [&](QIODevice& out) {
                return WriteAnalysisCsv(out, columns, st_.store.g_Datas.data(), st_.store.g_AveDatas.data(),
                                        st_.store.g_DataTime.data(), 0, count - 1);
            },
            QStringLiteral("解析用CSVを出力しました: "));
    });
}

// Ctrl+O and the recent list load as the read-out mode does. The mode switches (clearing what
// was measured, as the mode switch does) only once a file is chosen and found; nothing is loaded
// while measuring.
void frmMain::openRecording(QString path)
{
    if (measuring()) {
        ui.StatusBar1->showMessage(QStringLiteral("測定中は読み込めません。"));
        return;
    }
    if (const std::optional<QString> gone = DropVanishedRecent(st_.Settings.Recent, path)) {
        showRecent();
        st_.env.prompts->message({*gone, windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    if (!goOnWithUnsaved(QStringLiteral("ファイルを読み込みますか？")))
        return;
    if (path.isEmpty()) {
        const std::optional<QString> chosen = chooseRecording();
        if (!chosen)
            return;
        path = *chosen;
    }
    if (!ui.optMode[1]->isChecked())
        ui.optMode[1]->setChecked(true);
    LoadCsvFile(path);
}

void frmMain::rememberRecent(const QString& path)
{
    if (RememberRecent(st_.Settings.Recent, path))
        showRecent();
}

void frmMain::showRecent()
{
    const QStringList& recent = st_.Settings.Recent;
    for (int i = 0; i < ui.mnuRecent.size(); ++i) {
        QAction* a = ui.mnuRecent[i];
        a->setVisible(i < recent.size());
        if (i >= recent.size())
            continue;
        a->setText(RecentMenuText(i, recent[i]));
        a->setToolTip(recent[i]);
        a->setStatusTip(recent[i]);
    }
    ui.mnuRecentEnd->setVisible(!recent.isEmpty());
}

}  // namespace tavin
