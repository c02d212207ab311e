// Read-out mode: loading a recording file back into the store with its context.
#include "core/app/AppState.h"
#include "core/files/CsvReader.h"
#include "core/platform/DateTime.h"
#include "core/platform/Errors.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/trend/Scale.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace tavin {

void frmMain::SelectPlusRangeByText(const QString& text)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < ui.cmbGraphRange->count(); ++i)
            if (ui.cmbGraphRange->itemText(i).contains(text)) {
                ui.cmbGraphRange->setCurrentIndex(i);
                mnuPlusRange_Click(i);
                return;
            }
        const double n = Val(text);
        for (int i = 0; i < ui.cmbGraphRange->count(); ++i)
            if (Val(ui.cmbGraphRange->itemText(i)) > n) {
                ui.cmbGraphRange->setCurrentIndex(i);
                mnuPlusRange_Click(i);
                return;
            }
        ui.cmbGraphRange->setCurrentIndex(ui.cmbGraphRange->count() - 1);
    });
}

void frmMain::SelectMinusRangeByText(const QString& minusText, const QString& plusText)
{
    Trap(st_.log, QString(), [&] {
        const double m = Val(minusText);
        if (m == 0) {
            ui.cmbRangeMinus->setCurrentIndex(0);
            return;
        }
        if (std::fabs(m) == Val(plusText)) {
            ui.cmbRangeMinus->setCurrentIndex(1);
            return;
        }
        for (int i = 0; i < ui.cmbRangeMinus->count(); ++i)
            if (ui.cmbRangeMinus->itemText(i).contains(minusText)) {
                ui.cmbRangeMinus->setCurrentIndex(i);
                return;
            }
        ui.cmbRangeMinus->setCurrentIndex(1);
    });
}

void frmMain::cmdFileLoad_Click()
{
    if (!goOnWithUnsaved(QStringLiteral("ファイルを読み込みますか？")))
        return;
    if (const std::optional<QString> chosen = chooseRecording())
        LoadCsvFile(*chosen);
}

std::optional<QString> frmMain::chooseRecording()
{
    return st_.env.prompts->file({FileDialog::Open, QString(), st_.Settings.SaveDir, QString(),
                                  QStringLiteral("すべてのファイル(*.*)|*.*|CSVファイル(*.csv)|*.csv|"), 2});
}

void frmMain::LoadCsvFile(const QString& path)
{
    AppState& s = st_;
    // What the engine announced before this load (a unit chosen a moment ago) is shown now, not
    // over the file's labels when a long load lets events through.
    std::vector<AcquisitionEvent> announced;
    engine_->view(&announced);
    for (const AcquisitionEvent& e : announced)
        onEngineEvent(e);
    const QString native = QDir::toNativeSeparators(path);
    LoadFolder =
        native.contains(QDir::separator()) ? native.left(native.lastIndexOf(QDir::separator())) : QString();
    // The engine is stopped in read-out mode (its stop was the hand-over): the store is this window's.
    s.store.Clear();
    l_StartPos = 0;
    l_CursorPos = -1;
    ui.lineCursor->Visible = false;
    ui.pctLabelWork->hide();
    ui.pctGraph1->shapesChanged();
    // The store is empty now: labels of the earlier content go with it, also when this load fails.
    ui.lblPage->setText(QString());
    ui.lblTime->setText(QString());
    ui.lblStartTime->setText(QString());
    ui.lblLoadFileName->setText(QFileInfo(path).fileName());

    ui.StatusBar1->showMessage(QStringLiteral("ファイルの読み込み中..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui.ProgressBar1->setRange(0, 100);
    ui.ProgressBar1->setValue(0);
    AveReset();

    // The progress bar appears only when a load lasts long enough for a person to see it: its
    // repaints would otherwise cost as much as the reading.
    QElapsedTimer loading;
    loading.start();
    auto progress = [&](double share) {
        if (loading.elapsed() < 200)
            return;
        ui.ProgressBar1->show();
        ui.ProgressBar1->setValue(int(share * 100));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    constexpr std::int32_t MaxLines = SampleStore::Capacity - 1;
    QString failure;
    QStringList notes;  // what the user should know about a load that went through
    CsvSamples read;
    Trap(s.log, QString(), [&] {
        try {
            const CsvFileBytes file = ReadCsvFile(path, MaxLines);
            if (!file.error.isEmpty()) {
                failure = file.error;
                return;
            }
            const QByteArrayView bytes = file.bytes;
            const CsvHeaderLine header = ReadCsvHeader(bytes);
            if (header.badStart || header.malformed) {
                read.badLine = 1;
                return;
            }
            const CsvHeader& h = header.header;
            if (header.has(CsvField::Start))
                ui.lblStartTime->setText(h.startText);
            s.store.g_FileNo = header.has(CsvField::FileNo) ? h.fileNo : 1;
            if (header.has(CsvField::Sampling))
                SelectSamplingMs(h.sampling);
            if (header.has(CsvField::PlusRange))
                SelectPlusRangeByText(h.plusRange);
            if (header.has(CsvField::MinusRange))
                SelectMinusRangeByText(h.minusRange, h.plusRange);
            if (header.has(CsvField::Unit))
                SelectTani(h.unit);
            if (header.has(CsvField::Keisu))
                s.g_Keisu = h.keisu;
            if (header.badKeisu)
                notes << QStringLiteral("係数「%1」は使えないため1にしました").arg(header.keisuText.left(20));
            read = ReadCsvSamples(bytes, header.next, header.startGiven ? h.start : s.env.now(), s.store,
                                  MaxLines, progress, file.whole);
            if (read.rest && read.lines == MaxLines)
                notes << QStringLiteral("%1行を超えた分は読み込んでいません").arg(MaxLines);
            else if (read.rest)  // stopped by the byte limit: lines far longer than a recording's
                notes << QStringLiteral("ファイルが大きすぎるため%1行目以降は読み込んでいません")
                             .arg(read.lines + 2);
        } catch (const std::exception& e) {
            failure = describe(e);  // also logged and shown by Trap
            throw;
        }
    });
    // Whatever was read is shown as after a complete load, also when a bad line ended it.
    l_StartPos = 0;
    RefreshScreen();
    showBattery(0);  // a recording holds neither: the last live gauge's would pass for the file's
    showReference(0);
    if (s.store.g_DataCnt > 0)
        ui.lblTime->setText(FormatDate(s.store.g_DataTime[0], u"hh:nn:ss"));
    DispPageInfo(0, s.store.g_DataCnt - 1, false);
    if (s.store.g_DataCnt > 0)
        ui.lblVariable->setText(QStringLiteral(" ----- "));
    QString status;
    if (!failure.isEmpty())
        status = QStringLiteral("読み込みエラー ") + failure;
    else if (read.badLine > 0)
        status = QStringLiteral("読み込みエラー %1行目").arg(read.badLine);
    else
        status = QStringLiteral("読み込み終了");
    for (const QString& note : notes)
        status += QStringLiteral(" (") + note + u')';
    ui.StatusBar1->showMessage(status);
    if (!failure.isEmpty() || read.badLine > 0 || !notes.isEmpty())
        s.log.LogMsg(1, QStringLiteral("cmdFileLoad_Click"), native + u' ' + status);
    pctGraph1_Paint();
    ui.ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
    // Listed for loading again when it gave samples: not a file that held none or no recording.
    if (failure.isEmpty() && read.badLine != 1 && s.store.g_DataCnt > 0)
        rememberRecent(path);
}

}  // namespace tavin
