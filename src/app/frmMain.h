// The main window. Its load event is the whole start-up, its unload the whole shutdown; the
// handlers of each subsystem live in that subsystem's folder.
#pragma once

#include <QMainWindow>
#include <cstdint>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;

namespace tavin {

struct AppState;

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

    // Controls, named as the program names them.
    QStatusBar* StatusBar1 = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuSetting = nullptr;
    QAction* mnuExit = nullptr;

    void Form_Load();
    void Form_Unload();
    void mnuExit_Click();

    // Sets the outer width in twips.
    void setWidthTwips(int twips);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QString caption() const;

    AppState& st_;
    bool unloaded_ = false;
};

// Screen pixels and twips: 15 twips to the pixel.
constexpr int TwipsPerPixel = 15;
constexpr int PxFromTwips(int twips) { return twips / TwipsPerPixel; }

}  // namespace tavin
