// Judging a pressure test where it was measured: the evaluation menu, the decay test's dialog, and
// the verdict with its row in the results file beside the recordings and its line in the log. A
// test set during a measurement is judged once the data reaches its hold time, else when the
// measurement stops. A reference curve from another recording, drawn under the data.
#include "core/app/AppState.h"
#include "core/files/RecordingLoad.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "window/dialogs/frmDecay.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>

namespace tavin {

void frmMain::buildEvaluationMenu()
{
    ui.mnuEval = named(menuBar()->addMenu(QStringLiteral("評価(&E)")), QStringLiteral("mnuEval"));
    ui.mnuSecondCursor = named(ui.mnuEval->addAction(QStringLiteral("第2カーソルを置く (Shift+クリック)")),
                               QStringLiteral("mnuSecondCursor"));
    ui.mnuCopyInterval =
        named(ui.mnuEval->addAction(QStringLiteral("区間の数値をコピー")), QStringLiteral("mnuCopyInterval"));
    ui.mnuCopyInterval->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    ui.mnuDecay =
        named(ui.mnuEval->addAction(QStringLiteral("圧力降下試験の評価(&D)...")), QStringLiteral("mnuDecay"));
    ui.mnuEval->addSeparator();
    ui.mnuReference =
        named(ui.mnuEval->addAction(QStringLiteral("基準波形を読み込む")), QStringLiteral("mnuReference"));
    ui.mnuReferenceClear =
        named(ui.mnuEval->addAction(QStringLiteral("基準波形を消去")), QStringLiteral("mnuReferenceClear"));
    ui.mnuReferenceClear->setEnabled(false);
    auto click = [this](QAction* a, auto handler) { OnMenuClick(a, this, handler); };
    click(ui.mnuSecondCursor, [this] {
        if (!evaluation_->placeSecondCursor())
            ui.StatusBar1->showMessage(QStringLiteral("先にグラフをクリックしてカーソルを置いてください."));
    });
    click(ui.mnuCopyInterval, [this] {
        ui.StatusBar1->showMessage(evaluation_->copyInterval()
                                       ? QStringLiteral("区間の数値をコピーしました.")
                                       : QStringLiteral("区間がありません: カーソルを2本置いてください."));
    });
    click(ui.mnuDecay, [this] { mnuDecay_Click(); });
    click(ui.mnuReference, [this] { mnuReference_Click(); });
    click(ui.mnuReferenceClear, [this] { mnuReferenceClear_Click(); });
}

void frmMain::mnuReference_Click()
{
    Trap(st_.log, QStringLiteral("mnuReference_Click"), [&] {
        const std::optional<QString> chosen = chooseRecording();
        if (!chosen)
            return;
        // Read as a recording is loaded, into a store of its own: the data shown stays as it is.
        auto read = std::make_unique<SampleStore>();
        CsvHeader header;
        const RecordingLoad r = LoadRecording(*chosen, *read, st_.log, st_.env,
                                              [&](const CsvHeaderLine& h) { header = h.header; });
        const std::int32_t count = read->g_DataCnt.load(std::memory_order_relaxed);
        QString why = r.failure;
        if (why.isEmpty() && r.read.badLine == 1)
            why = QStringLiteral("1行目が記録ファイルの見出しではありません");
        else if (why.isEmpty() && count < 2)
            why = QStringLiteral("線を引けるだけのデータがありません");
        if (!why.isEmpty()) {
            st_.env.prompts->message({QStringLiteral("基準波形を読み込めません:\n%1\n%2")
                                          .arg(QDir::toNativeSeparators(*chosen), why),
                                      windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
            return;
        }
        const QString name = QFileInfo(*chosen).fileName();
        graph_->setReference(ReferenceCurve({read->g_Datas.begin(), read->g_Datas.begin() + count},
                                            header.sampling, header.keisu, name));
        read.reset();
        ui.mnuReferenceClear->setEnabled(true);
        pctGraph1_Paint();
        // A file read part-way is still a reference; the status says what was left out.
        QString status = QStringLiteral("基準波形: ") + name;
        if (r.read.badLine > 0 || !r.notes.isEmpty())
            status += QStringLiteral(" (") + r.status + u')';
        ui.StatusBar1->showMessage(status);
        st_.LogMsg(
            0, QStringLiteral("mnuReference_Click"),
            QStringLiteral("基準波形 %1: %2サンプル").arg(QDir::toNativeSeparators(*chosen)).arg(count));
    });
}

void frmMain::mnuReferenceClear_Click()
{
    graph_->setReference(ReferenceCurve());
    ui.mnuReferenceClear->setEnabled(false);
    pctGraph1_Paint();
    ui.StatusBar1->showMessage(QStringLiteral("基準波形を消去しました."));
}

void frmMain::mnuDecay_Click()
{
    Trap(st_.log, QStringLiteral("mnuDecay_Click"), [&] {
        const std::optional<IntervalStats> interval = evaluation_->interval();
        frmDecay dialog(this, *st_.env.prompts, decayTexts_, ui.lblTani->text(), interval.has_value());
        if (dialog.exec() != QDialog::Accepted)
            return;
        decayTexts_ = dialog.texts();
        PendingDecay pending{dialog.test(), 0};
        if (dialog.overInterval() && interval) {
            pending.from = interval->first;
            pending.test.settleS = 0;
            pending.test.holdS = interval->seconds;
        }
        pendingDecay_ = pending;
        judgeDecay(!measuring());
    });
}

void frmMain::forgetDecay()
{
    pendingDecay_.reset();
    st_.lastDecay.reset();
    evaluation_->clearVerdict();
}

void frmMain::judgeDecay(bool final)
{
    if (!pendingDecay_)
        return;
    const QString unit = ui.lblTani->text();
    const double period = st_.page.periodS();
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const DecayTest test = pendingDecay_->test;
    const DecayResult r =
        EvaluateDecay(st_.store.g_Datas.data(), count, pendingDecay_->from, st_.g_Keisu, period, test, unit);
    if (r.verdict == Verdict::TooShort && !final) {
        ui.StatusBar1->showMessage(QStringLiteral("圧力降下試験: 保持時間の経過を待っています."));
        return;
    }
    pendingDecay_.reset();
    const DecayRecord record{test, r, unit, period,
                             FormatDate(ToTheSecond(st_.env.now()), u"yyyy/mm/dd hh:nn:ss")};
    st_.lastDecay = record;
    evaluation_->showVerdict(record);
    // The file the data was saved in or loaded from; while measuring, the name it is saved under.
    const QString recording = GetPrintFileName();
    const QString figures = DecayFiguresText(r, test, unit);
    st_.LogMsg(0, QStringLiteral("mnuDecay_Click"),
               QStringLiteral("圧力降下試験 %1: %2 %3").arg(recording, VerdictText(r.verdict), figures));
    const QString folder = LoadFolder.isEmpty() ? st_.Settings.SaveDir : LoadFolder;
    const QString line = DecayResultsLine(record.evaluatedAt, recording, test, r, unit, period);
    if (QString why; !AppendDecayResult(folder, line, &why)) {
        st_.env.prompts->message({QStringLiteral("判定結果を %1 に書けません: %2")
                                      .arg(QDir(folder).filePath(QLatin1String(DecayResultsName)), why),
                                  windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    ui.StatusBar1->showMessage(QStringLiteral("圧力降下試験 %1: %2").arg(VerdictText(r.verdict), figures));
}

}  // namespace tavin
