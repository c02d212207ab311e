// The file-name box: the recordings' base name and save folder.
#include "core/app/AppState.h"
#include "core/files/FileChoices.h"
#include "core/files/NameLimit.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/Prompts.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>

namespace tavin {

void frmMain::txtSaveFileName_Click()
{
    Trap(st_.log, QString(), [&] {
        ui.StatusBar1->showMessage(QStringLiteral("保存ファイル名の入力"));
        for (;;) {
            const std::optional<QString> chosen = st_.env.prompts->file(
                {FileDialog::Save, QString(), st_.Settings.SaveDir + QDir::separator(), st_.Settings.FilePath,
                 QStringLiteral("すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|"), 2});
            if (!chosen) {
                ui.StatusBar1->clearMessage();
                return;
            }
            const SaveTarget target = SaveTargetOf(*chosen);
            if (target.none) {
                ui.StatusBar1->clearMessage();
                return;
            }
            if (!target.refusal.isEmpty()) {
                st_.env.prompts->message(
                    {target.refusal, windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
                continue;
            }
            if (QFileInfo::exists(target.path) &&
                st_.env.prompts->message({OverwriteQuestion(target.path), windowTitle(), MsgButtons::YesNo,
                                          MsgIcon::Exclamation}) != MsgAnswer::Yes)
                continue;
            st_.Settings.SaveDir = target.folder;
            showSaveFolder();
            ui.txtSaveFileName->setText(target.base);
            pushOptions();
            st_.Settings.FilePath = target.base;
            ui.StatusBar1->clearMessage();
            return;
        }
    });
}

// Every file made from the base name (recordings with their stamps, a "-N" suffix, journals)
// must fit the folder's limit on a name, or no segment could ever be saved: refused with a box.
bool frmMain::baseNameFits(const QString& folder, const QString& base)
{
    if (BaseNameFits(folder, base))
        return true;
    st_.env.prompts->message(
        {BaseNameTooLongText(folder, base), windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
    return false;
}

// Where recordings go, always in sight: the file-name box's tool tip and the status bar.
void frmMain::showSaveFolder()
{
    const QString text = QStringLiteral("保存先: ") + QDir::toNativeSeparators(st_.Settings.SaveDir);
    ui.txtSaveFileName->setToolTip(text);
    ui.lblSaveFolder->setText(text);
}

void frmMain::txtSaveFileName_Change()
{
    Trap(st_.log, QString(), [&] {
        if (st_.Settings.SaveDir.isEmpty())
            st_.Settings.SaveDir = GetMyDocumentsPath(st_.env);
        showSaveFolder();
        // A name typed into the box: the character that made it too long goes again.
        const QString typed = ui.txtSaveFileName->text();
        if (const std::optional<QString> cut = CutBaseNameToFit(st_.Settings.SaveDir, typed)) {
            ui.txtSaveFileName->setText(*cut);  // runs this handler again
            baseNameFits(st_.Settings.SaveDir, typed);
            return;
        }
        st_.Settings.FilePath = ui.txtSaveFileName->text();
        if (ui.txtSaveFileName->text().isEmpty())
            ui.txtSaveFileName->setText(DefaultBaseName);
        pushOptions();
    });
}

}  // namespace tavin
