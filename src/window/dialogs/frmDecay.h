// The pressure-decay test's dialog: the test's name, the stretch judged (from the recording's start
// after a settle time, or the cursors' interval), the allowed drop or rate, and the tested volume.
// It hands back the test it describes; a box it cannot read keeps it open with the reason.
#pragma once

#include "core/trend/Evaluation.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavin {

class Prompts;

class frmDecay : public QDialog {
    Q_OBJECT

public:
    // `texts`: what the boxes show first (the last test's); `unit`: the unit the values are shown
    // in; `interval`: the cursors mark an interval, which may be judged instead.
    frmDecay(QWidget* parent, Prompts& prompts, const DecayTexts& texts, const QString& unit, bool interval);

    // After OK: the test, the boxes as typed (for the next time), and whether the cursors' interval
    // is judged.
    const DecayTest& test() const { return test_; }
    DecayTexts texts() const;
    bool overInterval() const;

private:
    void cmdOK_Click();

    Prompts& prompts_;
    QLineEdit* txtName;
    QRadioButton* optFromStart;
    QRadioButton* optInterval;
    QLineEdit* txtSettle;
    QLineEdit* txtHold;
    QLineEdit* txtMaxDrop;
    QLineEdit* txtMaxRate;
    QLineEdit* txtVolume;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    DecayTest test_;
};

}  // namespace tavin
