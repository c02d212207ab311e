// The two small modal dialogs: typing a user unit, and typing a number (coefficient, limits,
// moving-average length) that travels in and out through the main window's lblInputEtc.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavin {

class frmMain;

class frmTaniInput : public QDialog {
    Q_OBJECT

public:
    explicit frmTaniInput(frmMain& main);

    QLineEdit* txtTaniInput;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdTaniDel;

    void cmdOK_Click();
    void cmdTaniDel_Click();

private:
    frmMain& main_;
};

class frmKeisuInput : public QDialog {
    Q_OBJECT

public:
    // `name` labels the input (the title when empty).
    frmKeisuInput(frmMain& main, const QString& title, const QString& name = QString());

    QLabel* lblName;
    QLineEdit* txtInput;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void cmdOK_Click();
    void cmdCancel_Click();

private:
    frmMain& main_;
    float initial_ = 0.0f;
};

// A dialog's button: named for tests and screenshots, and no default button by itself (Enter is
// for the one button made the default).
QPushButton* DialogButton(const QString& caption, const QString& name, QWidget* parent);

// Selects the whole text of an input box when it is clicked or gets the focus.
void TextBoxClick(QLineEdit* box);

}  // namespace tavin
