// The settings dialog and the password that guards it: the store's sample limit, the cursor
// options and the save folder reset to the Documents folder.
#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavin {

class frmMain;

// The password asked before the settings dialog opens; a right entry grants access until the
// program ends.
class frmPass : public QDialog {
    Q_OBJECT

public:
    explicit frmPass(frmMain& main);

    QLineEdit* txtPass;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void cmdOK_Click();

private:
    frmMain& main_;
};

class frmConfig : public QDialog {
    Q_OBJECT

public:
    explicit frmConfig(frmMain& main);

    QList<QRadioButton*> optMaxSaveData;  // 30000, 360000
    QCheckBox* chkIndexDisp;
    QCheckBox* chkCursorBlink;
    QPushButton* cmdMyDocuments;
    QPushButton* cmdPrintOK;
    QPushButton* cmdPrintCancel;

    void cmdMyDocuments_Click();
    void cmdPrintOK_Click();

    QString pendingSaveDir;  // becomes the save folder with OK

private:
    frmMain& main_;
};

}  // namespace tavin
