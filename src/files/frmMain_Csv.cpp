// Recording files: the automatic save of each segment and the file-name box.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "files/CsvWriter.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/Prompts.h"
#include "platform/TextFile.h"
#include "trend/Scale.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>

namespace tavin {

void frmMain::AutoSaveCsv()
{
    Trap(st_.log, QString(), [&] {
        const QString suffix = AutoSaveSuffix(StartDate, st_.g_FileNo, st_.env.now());
        const QString name = FileExtentionAddCheck(txtSaveFileName->text(), suffix);
        const QString path = QDir(st_.Settings.SaveDir).filePath(name);
        if (st_.g_DataCnt == 0)
            return;
        if (lblLoadFileName->text().isEmpty())
            lblLoadFileName->setText(name);
        StatusBar1->showMessage(QStringLiteral("保存中です..."));
        SaveCsvFile(path, 0, st_.g_DataCnt - 1);
    });
}

bool frmMain::SaveCsvFile(const QString& fileName, std::int32_t first, std::int32_t last)
{
    const QString path = FileExtentionAddCheck(fileName, QString());
    CsvHeader h;
    h.startText = lblStartTime->text();
    h.fileNo = st_.g_FileNo;
    h.sampling = st_.Settings.Sampling;
    const int plus = st_.Settings.RangePlus, minus = st_.Settings.RangeMinus;
    h.plusRange = PlusRangeTexts().value(plus);
    h.minusRange = MinusRangeField(minus, h.plusRange, MinusRangeTexts().value(minus));
    h.unit = lblTani->text();
    h.keisu = g_Keisu;
    last = std::min(last, st_.g_DataCnt - 1);
    const QString endText = lblEndTime->text();
    auto content = [&](QIODevice& f) {
        return WriteCsv(f, h, st_.g_Datas.data(), st_.g_DataTime.data(), first, last, endText);
    };

    // Written under a scratch name and renamed when complete, so no cut file ever carries a
    // recording's name; an existing recording is never overwritten.
    auto write = [&](const QString& target, QString* why) {
        QString finalPath = target;
        for (int n = 2; QFileInfo::exists(finalPath); ++n)
            finalPath = target.left(target.size() - 4) + QStringLiteral("-%1.csv").arg(n);
        if (!QDir().mkpath(QFileInfo(finalPath).absolutePath())) {
            *why = QStringLiteral("フォルダを作成できません。");
            return QString();
        }
        return ReplaceFileAtomically(finalPath, finalPath + QStringLiteral(".part"), content, why) ? finalPath
                                                                                                   : QString();
    };
    QString why;
    QString saved = write(path, &why);
    if (saved.isEmpty()) {
        st_.LogMsg(2, QStringLiteral("SaveCsvFile"),
                   QStringLiteral("保存できません: %1 (%2)").arg(QDir::toNativeSeparators(path), why));
        StatusBar1->showMessage(QStringLiteral("保存に失敗しました."));
        const QString fallback =
            QDir(DocumentsFolder(st_.env)).filePath(QFileInfo(path).fileName());
        QString why2;
        saved = write(fallback, &why2);
        if (saved.isEmpty()) {
            st_.LogMsg(2, QStringLiteral("SaveCsvFile"),
                       QStringLiteral("測定データを保存できませんでした: %1 (%2)")
                           .arg(QDir::toNativeSeparators(fallback), why2));
            return false;
        }
        st_.LogMsg(1, QStringLiteral("SaveCsvFile"),
                   QStringLiteral("%1 に保存しました。").arg(QDir::toNativeSeparators(saved)));
        StatusBar1->showMessage(QStringLiteral("ドキュメントフォルダに保存しました."));
        return true;
    }
    StatusBar1->showMessage(QStringLiteral("保存しました."));
    return true;
}

void frmMain::txtSaveFileName_Click()
{
    Trap(st_.log, QString(), [&] {
        StatusBar1->showMessage(QStringLiteral("保存ファイル名の入力"));
        for (;;) {
            const std::optional<QString> chosen = st_.env.prompts->file(
                {FileDialog::Save, QString(), st_.Settings.SaveDir + QDir::separator(), st_.Settings.FilePath,
                 QStringLiteral("すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|"), 2});
            if (!chosen) {
                StatusBar1->clearMessage();
                return;
            }
            const QString path = QDir::toNativeSeparators(*chosen);
            const qsizetype cut = path.lastIndexOf(QDir::separator());
            if (cut < 0) {
                StatusBar1->clearMessage();
                return;
            }
            if (QFileInfo::exists(path) &&
                st_.env.prompts->message({QStringLiteral("上書きしますか？\r\n(") + path + u')', windowTitle(),
                                          MsgButtons::YesNo, MsgIcon::Exclamation}) != MsgAnswer::Yes)
                continue;
            st_.Settings.SaveDir = path.left(cut);
            QString base = path.mid(cut + 1);
            if (base.contains(u'.'))
                base = base.left(base.lastIndexOf(u'.'));
            txtSaveFileName->setText(base);
            st_.Settings.FilePath = base;
            StatusBar1->clearMessage();
            return;
        }
    });
}

void frmMain::txtSaveFileName_Change()
{
    Trap(st_.log, QString(), [&] {
        if (st_.Settings.SaveDir.isEmpty())
            st_.Settings.SaveDir = GetMyDocumentsPath(st_.env);
        st_.Settings.FilePath = txtSaveFileName->text();
        if (txtSaveFileName->text().isEmpty())
            txtSaveFileName->setText(QStringLiteral("RQ4600_Datas"));
    });
}

}  // namespace tavin
