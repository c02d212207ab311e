// The settings dialog and the password that guards it: the store's sample limit, the cursor
// options and the save folder reset to the Documents folder.
#pragma once

#include <QDialog>
#include <QList>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavin {

struct AppEnv;
struct SettingsRecord;

// The password asked before the settings dialog opens; a right entry grants access until the
// program ends (the caller's to keep).
class frmPass : public QDialog {
    Q_OBJECT

public:
    explicit frmPass(QWidget* parent);
    bool granted() const { return granted_; }

    void cmdOK_Click();

private:
    QLineEdit* txtPass;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    bool granted_ = false;
};

// What the settings dialog edits, as OK hands it back.
struct ConfigChoices {
    QString saveDir;
    std::int32_t maxDatas = 0;
    std::int16_t cursorInfo = 0;

    void applyTo(SettingsRecord& s) const;
};

class frmConfig : public QDialog {
    Q_OBJECT

public:
    frmConfig(const SettingsRecord& settings, const AppEnv& env, QWidget* parent);
    const ConfigChoices& choices() const { return choices_; }

    void cmdMyDocuments_Click();
    void cmdPrintOK_Click();

private:
    QList<QRadioButton*> optMaxSaveData;  // 30000, 360000
    QCheckBox* chkIndexDisp;
    QCheckBox* chkCursorBlink;
    QPushButton* cmdMyDocuments;
    QPushButton* cmdPrintOK;
    QPushButton* cmdPrintCancel;

    const AppEnv& env_;
    ConfigChoices choices_;  // saveDir: the pending save folder until OK
};

}  // namespace tavin
