// The file-name box: the recordings' base name and save folder.
#include "core/app/AppState.h"
#include "core/files/NameLimit.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QComboBox>
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
            const QString path = QDir::toNativeSeparators(*chosen);
            const qsizetype cut = path.lastIndexOf(QDir::separator());
            if (cut < 0) {
                ui.StatusBar1->clearMessage();
                return;
            }
            // The folder and the name are kept in the CP932 settings file: a character it has no
            // code for would come back as junk, and recordings would go to a junk folder.
            if (const QString bad = Cp932Unencodable(path); !bad.isEmpty()) {
                st_.env.prompts->message(
                    {QStringLiteral("保存先のフォルダ名またはファイル名に使えない文字があります。(%1)\r\n(")
                             .arg(bad) +
                         path + QStringLiteral(")\r\nShift_JIS (CP932) で書ける文字の名前を選んでください。"),
                     windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
                continue;
            }
            QString base = path.mid(cut + 1);
            if (base.contains(u'.'))
                base = base.left(base.lastIndexOf(u'.'));
            if (!baseNameFits(path.left(cut), base))
                continue;
            if (QFileInfo::exists(path) &&
                st_.env.prompts->message({QStringLiteral("上書きしますか？\r\n(") + path + u')',
                                          windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation}) !=
                    MsgAnswer::Yes)
                continue;
            st_.Settings.SaveDir = path.left(cut);
            showSaveFolder();
            ui.txtSaveFileName->setText(base);
            pushOptions();
            st_.Settings.FilePath = base;
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
        if (!BaseNameFits(st_.Settings.SaveDir, ui.txtSaveFileName->text())) {
            const QString typed = ui.txtSaveFileName->text();
            ui.txtSaveFileName->setText(
                CutToBytes(typed, FolderNameMax(st_.Settings.SaveDir) -
                                      LongestRecordingNameBytes(QString())));  // runs this handler again
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
