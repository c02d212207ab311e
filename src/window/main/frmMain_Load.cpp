// Read-out mode: loading a recording file back into the store with its context.
#include "core/app/AppState.h"
#include "core/files/RecordingLoad.h"
#include "core/platform/DateTime.h"
#include "core/platform/Prompts.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>

namespace tavin {

void frmMain::applyHeader(const CsvHeaderLine& header)
{
    const CsvHeader& h = header.header;
    if (header.has(CsvField::Start))
        ui.lblStartTime->setText(h.startText);
    if (header.has(CsvField::Sampling))
        SelectSamplingMs(h.sampling);
    if (header.has(CsvField::PlusRange))
        SelectPlusRangeByText(h.plusRange);
    if (header.has(CsvField::MinusRange))
        SelectMinusRangeByText(h.minusRange, h.plusRange);
    if (header.has(CsvField::Unit))
        gauge_->SelectTani(h.unit);
    if (header.has(CsvField::Keisu))
        st_.g_Keisu = h.keisu;
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
    s.page.showFirstPage();
    s.page.removeCursor();
    forgetDecay();
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

    const RecordingLoad r = LoadRecording(
        path, s.store, s.log, s.env, [&](const CsvHeaderLine& header) { applyHeader(header); }, progress);
    // Whatever was read is shown as after a complete load, also when a bad line ended it.
    s.page.showFirstPage();
    showLoaded();
    ui.StatusBar1->showMessage(r.status);
    if (r.logged)
        s.log.LogMsg(1, QStringLiteral("cmdFileLoad_Click"), native + u' ' + r.status);
    pctGraph1_Paint();
    ui.ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
    // Listed for loading again when it gave samples: not a file that held none or no recording.
    if (r.remembered)
        rememberRecent(path);
}

void frmMain::showLoaded()
{
    const SampleStore& store = st_.store;
    RefreshScreen();
    gauge_->showBattery(0);  // a recording holds neither: the last live gauge's would pass for the file's
    gauge_->showReference(0);
    if (store.g_DataCnt > 0)
        ui.lblTime->setText(FormatDate(store.g_DataTime[0], u"hh:nn:ss"));
    graph_->DispPageInfo(0, store.g_DataCnt - 1, false);
    if (store.g_DataCnt > 0)
        ui.lblVariable->setText(QStringLiteral(" ----- "));
}

}  // namespace tavin
