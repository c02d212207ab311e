// The main window, the composition root of the window's views: the graph (GraphView), the gauge's
// menus (GaugeMenus), the file-name box (SaveNameBox) and the print job (PrintJob) each own their
// controls; the window builds all
// controls (frmMain_Layout.cpp), joins the views to the engine and keeps the handlers of the
// recording panel, pages and ranges, the average and the files, each in a file of its own beside
// this one. Its load event is the whole start-up, its unload the whole shutdown.
#pragma once

#include "core/decode/Units.h"
#include "core/files/CsvWriter.h"
#include "core/print/PrintLayout.h"
#include "core/trend/GraphRoom.h"
#include "core/trend/Recording.h"
#include "engine/Acquisition.h"
#include "window/main/EvaluationView.h"
#include "window/main/GaugeMenus.h"
#include "window/main/GraphView.h"
#include "window/main/PrintJob.h"
#include "window/main/SaveNameBox.h"
#include "window/platform/Printers.h"

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QAction;
class QIODevice;
class QPainter;
class QCheckBox;
class QColor;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QStatusBar;
class QTimer;

namespace tavin {

struct AppState;
class Label;
class Lamp;
class PictureBox;
class PrinterSurface;
struct LineShape;
class frmComm;
struct Decoded;
struct CsvHeaderLine;

// The main window's controls, as a form designer's generated class holds them: built in
// frmMain_Layout.cpp, each named (objectName) as its member.
namespace Ui {
struct frmMain : GraphControls, GaugeControls, SaveNameControls, EvaluationControls {
    // Menus.
    QMenu* mnuFile = nullptr;
    QAction* mnuSetting = nullptr;
    QAction* mnuGraphImage = nullptr;
    QAction* mnuExportCsv = nullptr;
    QList<QAction*> mnuRecent;        // the recordings loaded last; hidden while unused
    QAction* mnuRecentEnd = nullptr;  // the separator under them
    QAction* mnuExit = nullptr;
    QAction* actOpen = nullptr;       // Ctrl+O: load a recording
    QAction* actPrint = nullptr;      // Ctrl+P: the print button
    QAction* actCopyGraph = nullptr;  // "グラフをコピー", Ctrl+C on the graph
    QMenu* mnuSensorRange = nullptr;
    QList<QAction*> mnuPlusRange;
    QList<QAction*> mnuMinusRange;
    QMenu* mnuSamp = nullptr;
    QAction* mnuSampAuto = nullptr;
    QList<QAction*> mnuSampling;
    QMenu* mnuAve = nullptr;
    QAction* mnuAveEna = nullptr;
    QMenu* mnuUpperLimit = nullptr;
    QAction* mnuUpperLimitInput = nullptr;
    QMenu* mnuLowerLimit = nullptr;
    QAction* mnuLowerLimitInput = nullptr;
    QMenu* mnuEval = nullptr;  // the interval, the pressure-decay test and the reference curve
    QAction* mnuSecondCursor = nullptr;
    QAction* mnuCopyInterval = nullptr;
    QAction* mnuDecay = nullptr;
    QAction* mnuReference = nullptr;       // a recording drawn under the data to compare with
    QAction* mnuReferenceClear = nullptr;  // takes it off the graph

    // Readout and status.
    Label* lblVariable = nullptr;
    Label* lblCounter = nullptr;
    Label* lblDataNum = nullptr;
    Lamp* pctMonRecv = nullptr;
    Label* lblStartTime = nullptr;
    Label* lblEndTime = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    Label* lblDebug = nullptr;

    // Recording controls.
    QGroupBox* Frame3 = nullptr;
    QList<QRadioButton*> optMode;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdFileLoad = nullptr;
    Label* Label4 = nullptr;
    Label* lblLoadFileName = nullptr;

    // Limits.
    QCheckBox* chkUpperLimit = nullptr;
    QCheckBox* chkLowerLimit = nullptr;
    Label* lblUpper = nullptr;
    Label* lblLower = nullptr;
    Label* lblRefLine = nullptr;
    QSpinBox* UpDown1 = nullptr;

    // Moving average and readout source.
    QGroupBox* frmAverage = nullptr;
    QLineEdit* txtAveNum = nullptr;
    QCheckBox* chkAveMode = nullptr;
    QCheckBox* chkDispMode = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* chkAutoZoomOut = nullptr;

    // Engineering controls of the debug width.
    QComboBox* cmbRangeMinus = nullptr;
    QCheckBox* chk125perHasen = nullptr;
    QCheckBox* chkMinus120per = nullptr;
    QCheckBox* chk120perScale = nullptr;
    QCheckBox* chkMinusFullNoSuji = nullptr;
    QComboBox* cmbSampling = nullptr;
    QComboBox* cmbPageSec = nullptr;
    Label* lblSampling = nullptr;
    Label* lblPageCount = nullptr;
    Label* lblSampPC = nullptr;
    Label* lblBccErr = nullptr;
    Label* lblBccErrCnt = nullptr;
    Label* lblStartCount = nullptr;
    Label* lblInputEtc = nullptr;
    QPushButton* cmdPrintOne = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* cmdComm = nullptr;  // shows the communication console

    // Timers.
    QTimer* Timer1 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* tmrScreen =
        nullptr;  // while measuring, 30 a second: what the engine published reaches the screen
    QTimer* tmrUnsaved = nullptr;     // while segments are unsaved: try to save them again
    QTimer* tmrStream = nullptr;      // while streaming to a broker: its state in the status bar
    QLabel* lblUnsaved = nullptr;     // in the status bar while segments are unsaved
    QLabel* lblJournalOff = nullptr;  // in the status bar while crash protection is off
    QLabel* lblStream = nullptr;      // in the status bar while streaming: the broker's state
    QList<QPushButton*> cmdZoom;      // 0 "縮小" (longer page), 1 "拡大" (shorter page)
    QPushButton* cmdPrintOut = nullptr;
};
}  // namespace Ui

class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // Window size in twips: the user's view, the debug view with engineering controls, height. The
    // normal width and the height are the least the window has; what it is larger than its base
    // size (the width it was given of the two, the height) goes to the graph.
    static constexpr int NormalWidth = 13380;
    static constexpr int DebugWidth = 28230;
    static constexpr int FormHeight = 10800;

    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    AppState& state() { return st_; }

    // The controls, by the names the window is known by (tests and the demo press them).
    const Ui::frmMain& controls() const { return ui; }

    // A measurement runs: the engine's state (Acquisition::measuringChanged says when it changes).
    bool measuring() const { return engine_->measuring(); }

    // The measurement: it owns the port, the store's appends, the journal and the segments' save;
    // this window shows what it publishes and sets its options.
    Acquisition& engine() { return *engine_; }

    // A recording loaded in read-out mode by Ctrl+O (`path` empty: the open dialog asks), from
    // the recent list, or named on the command line.
    void openRecording(QString path);

    // The communication window, created hidden at the first use of the port.
    frmComm& comm();
    // The port, kind and unit menus (GaugeMenus.cpp).
    GaugeMenus& gauge() { return *gauge_; }

    // Start-up and shutdown (frmMain_Startup.cpp).
    // The base width: NormalWidth, or DebugWidth with the engineering controls.
    void setWidthTwips(int twips);

    // Sampling (frmMain_Dispatch.cpp).
    void SelectSampling(const QString& text);

    // The sample store and recording (frmMain_Store.cpp, frmMain_Record.cpp).
    // What the engine published reaches the screen, about thirty times a second through
    // tmrScreen and at once for its events: the counter, readout, lamps and labels, the graph's
    // new segments and page, a new segment acknowledged.
    void RefreshScreen();
    // The options the engine measures with, from the settings and controls; sent when a control
    // changes.
    AcquisitionOptions acquisitionOptions() const;
    void pushOptions();
    void AveReset();

    // The trend graph with its pages and cursor (GraphView.cpp); the page length, zoom and
    // ranges that choose what it shows are the window's (frmMain_Pages.cpp, frmMain_Ranges.cpp).
    GraphView& graph() { return *graph_; }
    // The second cursor, the interval's panel and the verdict on the graph (EvaluationView.cpp);
    // the pressure-decay test is the window's (frmMain_Evaluate.cpp).
    EvaluationView& evaluation() { return *evaluation_; }
    // The graph afresh (GraphView::paint).
    void pctGraph1_Paint() { graph_->paint(); }

    // Recording files (frmMain_Load.cpp, frmMain_Journal.cpp; the file-name box is SaveNameBox).
    // Loads a recording file; the status bar tells how it went.
    void LoadCsvFile(const QString& path);
    const QString& loadFolder() const { return LoadFolder; }
    void SelectPlusRangeByText(const QString& text);
    void SelectMinusRangeByText(const QString& minusText, const QString& plusText);

    // Printing (frmMain_Print.cpp, the job in PrintJob.cpp).
    PrintJob& printJob() { return *print_; }
    // The printers a job can go to: the system's; tests give the file printer alone.
    void setInstalledPrinters(std::function<PrinterList()> list)
    {
        print_->setInstalledPrinters(std::move(list));
    }
    // Prints the graph as the window shows it on the current printer with the current choices;
    // -1 when there is no printer, else 0.
    std::int16_t PrintOut();

Q_SIGNALS:
    // The shutdown has run; the program ends (its other windows close with it).
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the controls, menus and timers run (connected in connectHandlers).
    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void mnuExit_Click();
    // The store as a plain CSV for other programs.
    void mnuExportCsv_Click();
    // Where an export goes (named after the recording, beside it), asking before replacing a file.
    std::optional<QString> askExportPath(const QString& title, const QString& suffix, const QString& filter);
    void writeExport(const QString& path, const std::function<bool(QIODevice&)>& write, const QString& done);
    std::optional<QString> chooseRecording();
    void rememberRecent(const QString& path);
    // What a load put into the store: counter, page, times and readout, as after a complete load.
    void showLoaded();
    void showRecent();
    // The graph as a picture: a PNG or SVG file, or the clipboard (Ctrl+C on the graph, its menu).
    void mnuGraphImage_Click();
    void copyGraph();
    // The settings dialog, after the password unless it was given in this run or the settings
    // file grants access.
    void mnuSetting_Click();
    void lblDebug_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void cmdComm_Click();
    void mnuSampAuto_Click();
    void mnuSampling_Click(int index);
    void chkAve_Click();
    void chkAveMode_Click();
    void mnuAveEna_Click();
    void txtAveNum_Change();
    void txtAveNum_LostFocus();
    void Timer3_Timer();
    void chkDispMode_Click();
    void cmdOpen_Click();
    void cmdClose_Click();
    void optMode_Click(int index);
    void cmbSampling_Click();
    void cmbPageSec_Click();
    void pctGraph1_MouseUp();
    void cmdZoom_Click(int index);
    void cmbGraphRange_Click();
    void cmbRangeMinus_Click();
    void mnuPlusRange_Click(int index);
    void mnuMinusRange_Click(int index);
    void chkUpperLimit_Click();
    void chkLowerLimit_Click();
    void mnuUpperLimitInput_Click();
    void mnuLowerLimitInput_Click();
    void lblRefLine_Change();
    void cmdFileLoad_Click();
    void cmdPrintOut_Click();
    void cmdPrintOne_Click();

    void MenuSet();
    void SelectSamplingMs(double ms);
    void SyncSamplingMenu(int index);
    void BuildScaleTables(int minusIndex);
    void InitRangeLists();
    // Tries the kept segments again; the status bar says what is still unsaved.
    void saveUnsaved();
    // Journals left by a program that ended without saving become recordings.
    void recoverJournals();
    // The recording's context, as its header gives it, goes to the controls before its samples.
    void applyHeader(const CsvHeaderLine& header);
    void buildMenus();
    void buildControls();
    // Where the controls of the client area are at the base size, and which edge each follows.
    void recordPlacements();
    // The room beyond the base size to the graph; the controls around it follow their edges.
    void growGraph();
    void connectHandlers();
    void fillSamplingAndPageLists();
    void connectMenus();
    void connectControls();
    void connectGraphAndTimers();
    QString caption() const;
    void showBlink(BlinkColour colour);
    void putLampOut();
    void showView(const AcquisitionView& v);
    void onEngineEvent(const AcquisitionEvent& e);
    void enableLimit(QCheckBox* box, LineShape* line, std::int16_t flag);
    void inputLimit(const QString& title, float& limit, Label* shown);
    void onPortLost(const QString& reason);
    void unlockAfterStop();
    void showUnsaved(int count, int inMemoryOnly);
    void showStream(const StreamStatus& s);
    void buildEvaluationMenu();
    void mnuDecay_Click();
    // A recording picked in the open dialog becomes the graph's reference curve; one that cannot
    // be read is reported with its reason and leaves the shown reference as it is.
    void mnuReference_Click();
    void mnuReferenceClear_Click();
    // Judges the test set in the dialog once the data reaches its hold time (a measurement may
    // still have to get there); `final`: the data ends here, judged as it is.
    void judgeDecay(bool final);
    // New data: no verdict stands for it.
    void forgetDecay();
    // The last test's boxes, shown again, and a test waiting for its hold time to pass.
    DecayTexts decayTexts_;
    struct PendingDecay {
        DecayTest test;
        std::int32_t from = 0;
    };
    std::optional<PendingDecay> pendingDecay_;
    // What a saved picture or analysis CSV says it shows: the recording, its start, the time of
    // the export and the last verdict.
    QStringList reportHeader() const;
    // The recording's name as the sheet and the exports give it.
    QString GetPrintFileName() const;
    // With unsaved segments, asks whether to go on (they stay kept either way).
    bool goOnWithUnsaved(const QString& question);

    Ui::frmMain ui;
    AppState& st_;
    AlarmBlink alarm;
    QString LoadFolder;  // folder of the last loaded file
    QString lastSaved_;  // the file the measurement's last segment went to
    bool unloaded_ = false;
    bool optionsLive_ = false;   // the window is complete: control changes reach the engine
    bool aveNumEdited_ = false;  // the user typed in txtAveNum since it last lost the focus
    bool lampOutDue_ = false;    // Timer1 ran out while measuring: the next refresh puts the lamp out
    std::unique_ptr<Acquisition> engine_;
    std::unique_ptr<GraphView> graph_;
    std::unique_ptr<EvaluationView> evaluation_;
    std::unique_ptr<PrintJob> print_;
    std::unique_ptr<GaugeMenus> gauge_;
    std::unique_ptr<SaveNameBox> saveName_;
    AcquisitionOptions pushed_;  // the options the engine has
    // What of the engine's view the screen shows: its segment, readouts and counts.
    std::int32_t shownGeneration_ = 0;
    std::int32_t shownCount_ = -1;
    std::uint32_t shownReadouts_ = 0;
    std::uint32_t shownLampBlinks_ = 0;
    std::int32_t shownErrors_ = 0;
    std::int64_t shownStartCount_ = 1;
    OleDate shownStart_ = 0;
    OleDate shownEnd_ = 0;
    frmComm* comm_ = nullptr;
    struct Placement {
        QWidget* control;
        QRect base;  // pixels, at the base size
        Anchor anchor;
    };
    std::vector<Placement> placements_;
    int baseWidthTwips_ = NormalWidth;
    QSize extra_{0, 0};  // the room the graph has now beyond the base size, in pixels
};

}  // namespace tavin
