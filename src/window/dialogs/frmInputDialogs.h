// The two small modal dialogs: typing a user unit, and typing a number (coefficient, limits,
// moving-average length) that the dialog takes and hands back.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavin {

class Prompts;
struct UnitMenuState;

// Edits the user units of the unit menu's state; what the menu shows is the caller's to update.
class frmTaniInput : public QDialog {
    Q_OBJECT

public:
    frmTaniInput(QWidget* parent, UnitMenuState& menu, Prompts& prompts);
    // The unit OK added (the dialog then closed accepted).
    QString unit() const { return unit_; }

    void cmdOK_Click();
    void cmdTaniDel_Click();

private:
    QLineEdit* txtTaniInput;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdTaniDel;

    UnitMenuState& menu_;
    Prompts& prompts_;
    QString unit_;
};

class frmKeisuInput : public QDialog {
    Q_OBJECT

public:
    // `name` labels the input (the title when empty); `initial` is the number shown first.
    frmKeisuInput(QWidget* parent, const QString& title, const QString& initial,
                  const QString& name = QString());
    // The number typed when OK closed the dialog, else the initial one.
    double number() const { return number_; }

    void cmdOK_Click();
    void cmdCancel_Click();

private:
    QLabel* lblName;
    QLineEdit* txtInput;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    double number_ = 0.0;
};

// Runs the number dialog with a title (and a label, when it differs); returns the leading number
// it hands back.
double InputNumber(QWidget* parent, const QString& title, const QString& initial,
                   const QString& name = QString());

// A dialog's button: named for tests and screenshots, and no default button by itself (Enter is
// for the one button made the default).
QPushButton* DialogButton(const QString& caption, const QString& name, QWidget* parent);

// Selects the whole text of an input box when it is clicked or gets the focus.
void TextBoxClick(QLineEdit* box);

}  // namespace tavin
