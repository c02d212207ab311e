// The main window. Its load event is the whole start-up, its unload the whole shutdown; the
// handlers of each subsystem live in that subsystem's folder.
#pragma once

#include <QMainWindow>
#include <QList>
#include <cstdint>
#include <string_view>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QColor;
class QStatusBar;

namespace tavin {

struct AppState;
class Label;
class frmComm;
struct Decoded;

class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // Window widths in twips: the user's view and the debug view with engineering controls.
    static constexpr int NormalWidth = 13380;
    static constexpr int DebugWidth = 28230;
    static constexpr int FormHeight = 9900;

    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    AppState& state() { return st_; }

    // Shared window state read and written by other parts of the program.
    std::int16_t l_nowPaint = 0;
    std::int32_t l_CursorPos = -1;

    // Frame dispatch state.
    std::int32_t FirstFrameTicks = 0;  // clock at the first frame of a measurement; 0 = none yet
    double LastRecvTime = 0.0;         // arrival of the latest frame and of the one before
    double PrevRecvTime = 0.0;
    std::int16_t RefreshCount = 0;     // frames since the readout was last refreshed
    std::string_view DispFormat;       // number format of the readout
    std::int32_t BatteryLevel = 0;     // tenths of a volt, from the last long frame
    std::int16_t RecvBlinkCnt = 0;     // kind 5 frames since the receive lamp turned green

    // Controls, named as the program names them.
    QStatusBar* StatusBar1 = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuSetting = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuTaniMenu = nullptr;
    QAction* mnuTaniAuto = nullptr;
    QMenu* mnuSamp = nullptr;
    QAction* mnuSampAuto = nullptr;
    QList<QAction*> mnuSampling;

    Label* lblCounter = nullptr;
    Label* lblTani = nullptr;
    Label* lblGA = nullptr;
    Label* lblBattery = nullptr;
    Label* lblBccErr = nullptr;
    Label* lblBccErrCnt = nullptr;
    Label* lblSampPC = nullptr;
    Label* lblSampling = nullptr;
    Label* lblVariable = nullptr;
    QLabel* pctMonRecv = nullptr;
    QComboBox* cmbSampling = nullptr;

    // The communication window, created hidden at the first use of the port.
    frmComm& comm();

    void Form_Load();
    void Form_Unload();
    void mnuExit_Click();

    // Frame dispatch and sampling.
    short RecvAnalize(std::string_view p_strRecv);
    void SelectSampling(const QString& text);
    void mnuSampAuto_Click();
    void mnuSampling_Click(int index);
    void cmbSampling_Click();
    void SyncSamplingMenu(int index);
    // The response timer's question whether to keep waiting; nothing waits, so never.
    bool ResTimeout(std::int16_t retry);

    // Decoders.
    short RecvAnalize_VRT_RQ(std::string_view p_strRecv);
    short RecvAnalize_QZ(std::string_view p_strRecv);
    short RecvAnalize_MW200(std::string_view p_strRecv);

    // The sample store's entry for one decoded value.
    void GraphDispAndDataSave(float& value, std::int32_t index);

    // Sets the outer width in twips.
    void setWidthTwips(int twips);

Q_SIGNALS:
    // The shutdown has run; the program ends (its other windows close with it).
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    QString caption() const;
    short applyDecoded(const Decoded& d, std::string_view frame, const QString& procName);
    void showBccError(const Decoded& d);
    void countRejected();
    void showBattery(std::int32_t level);
    static void setBackground(QWidget* w, const QColor& c);

    AppState& st_;
    bool unloaded_ = false;
    frmComm* comm_ = nullptr;
};

// Screen pixels and twips: 15 twips to the pixel.
constexpr int TwipsPerPixel = 15;
constexpr int PxFromTwips(int twips) { return twips / TwipsPerPixel; }

}  // namespace tavin
