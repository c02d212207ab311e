#include "window/main/SaveNameBox.h"

#include "core/app/AppState.h"
#include "core/files/FileChoices.h"
#include "core/files/NameLimit.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/Prompts.h"
#include "window/widgets/Controls.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>

namespace tavin {

SaveNameBox::SaveNameBox(AppState& state, Ui::SaveNameControls& controls, QWidget* window, QStatusBar* status)
    : st_(state), ui(controls), window_(window), status_(status)
{
    connect(ui.txtSaveFileName, &QLineEdit::textChanged, this, &SaveNameBox::txtSaveFileName_Change);
    ui.txtSaveFileName->installEventFilter(this);
}

// A click on the enabled box opens the save dialog instead of placing the text cursor.
bool SaveNameBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.txtSaveFileName && event->type() == QEvent::MouseButtonRelease &&
        ui.txtSaveFileName->isEnabled()) {
        txtSaveFileName_Click();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SaveNameBox::txtSaveFileName_Click()
{
    Trap(st_.log, QString(), [&] {
        status_->showMessage(QStringLiteral("保存ファイル名の入力"));
        for (;;) {
            const std::optional<QString> chosen = st_.env.prompts->file(
                {FileDialog::Save, QString(), st_.Settings.SaveDir + QDir::separator(), st_.Settings.FilePath,
                 QStringLiteral("すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|"), 2});
            if (!chosen) {
                status_->clearMessage();
                return;
            }
            const SaveTarget target = SaveTargetOf(*chosen);
            if (target.none) {
                status_->clearMessage();
                return;
            }
            if (!target.refusal.isEmpty()) {
                st_.env.prompts->message(
                    {target.refusal, window_->windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
                continue;
            }
            if (QFileInfo::exists(target.path) &&
                st_.env.prompts->message({OverwriteQuestion(target.path), window_->windowTitle(),
                                          MsgButtons::YesNo, MsgIcon::Exclamation}) != MsgAnswer::Yes)
                continue;
            st_.Settings.SaveDir = target.folder;
            showSaveFolder();
            ui.txtSaveFileName->setText(target.base);
            Q_EMIT changed();
            st_.Settings.FilePath = target.base;
            status_->clearMessage();
            return;
        }
    });
}

// Every file made from the base name (recordings with their stamps, a "-N" suffix, journals)
// must fit the folder's limit on a name, or no segment could ever be saved: refused with a box.
bool SaveNameBox::baseNameFits(const QString& folder, const QString& base)
{
    if (BaseNameFits(folder, base))
        return true;
    st_.env.prompts->message(
        {BaseNameTooLongText(folder, base), window_->windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
    return false;
}

// Where recordings go, always in sight: the file-name box's tool tip and the status bar.
void SaveNameBox::showSaveFolder()
{
    const QString text = QStringLiteral("保存先: ") + QDir::toNativeSeparators(st_.Settings.SaveDir);
    ui.txtSaveFileName->setToolTip(text);
    ui.lblSaveFolder->setText(text);  // cut in the middle where it is too long
    ui.lblSaveFolder->setToolTip(text);
}

void SaveNameBox::txtSaveFileName_Change()
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
        Q_EMIT changed();
    });
}

}  // namespace tavin
