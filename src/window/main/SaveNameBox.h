// The file-name box of the recording panel: the base name the recordings are saved under and the
// folder they go to, chosen by typing (cut to what the folder's names can take) or with the save
// dialog a click opens, and shown in the box's tool tip and the status bar. GUI thread only.
#pragma once

#include <QObject>

class QLineEdit;
class QStatusBar;
class QWidget;

namespace tavin {

struct AppState;
class Label;

namespace Ui {
// The box's controls, as the window's form holds them.
struct SaveNameControls {
    QLineEdit* txtSaveFileName = nullptr;
    Label* lblSaveFolder = nullptr;  // in the status bar: where recordings go
};
}  // namespace Ui

class SaveNameBox : public QObject {
    Q_OBJECT

public:
    // `window`: the boxes' parent and title; `status`: where the box says it is being chosen.
    SaveNameBox(AppState& state, Ui::SaveNameControls& controls, QWidget* window, QStatusBar* status);

    // The base name as typed, taken into the settings (also when the text did not change).
    void txtSaveFileName_Change();
    // Where recordings go, in sight again after the save folder changed elsewhere.
    void showSaveFolder();

Q_SIGNALS:
    // The base name or the folder changed: the engine's options follow.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtSaveFileName_Click();
    // Every file made from the base name must fit the folder's limit on a name; else a box says so.
    bool baseNameFits(const QString& folder, const QString& base);

    AppState& st_;
    Ui::SaveNameControls& ui;
    QWidget* window_;
    QStatusBar* status_;
};

}  // namespace tavin
