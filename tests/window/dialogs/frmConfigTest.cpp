// The settings dialog and its password on the real window, answered through the dialogs' own
// controls.
#include "window/dialogs/frmConfig.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

using namespace tavin;

namespace {

class Settings : public test::WindowFixture {
protected:
    // Answers the password dialog; `then` is set up for the dialog that may follow it.
    void typePassword(const QString& text, bool ok = true, std::function<void()> then = {})
    {
        whenShown<frmPass>([text, ok, then](frmPass& d) {
            EXPECT_EQ(d.windowTitle(), "設定変更");
            EXPECT_EQ(test::Control<QLineEdit>(d, "txtPass")->echoMode(), QLineEdit::Password);
            test::Control<QLineEdit>(d, "txtPass")->setText(text);
            if (then)
                then();
            ok ? test::Control<QPushButton>(d, "cmdOK")->click()
               : test::Control<QPushButton>(d, "cmdCancel")->click();
        });
    }
};

}  // namespace

TEST_F(Settings, ThePasswordIsAskedUntilItIsRightOnce)
{
    state->Settings.Password = 0;
    typePassword("7318");
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(shown, 1);  // the settings dialog did not open

    typePassword("7319", false);  // Cancel
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(shown, 2);

    typePassword("7319", true, [this] {
        whenShown<frmConfig>([](frmConfig& d) { test::Control<QPushButton>(d, "cmdPrintCancel")->click(); });
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(shown, 4);

    whenShown<frmConfig>([](frmConfig& d) { test::Control<QPushButton>(d, "cmdPrintCancel")->click(); });
    w->controls().mnuSetting->trigger();  // no question any more
    EXPECT_EQ(shown, 5);
}

TEST_F(Settings, OkTakesTheLimitAndTheCursorBitsAndKeepsTheOthers)
{
    state->Settings.Password = 1;
    state->Settings.MaxDatas = 360000;
    state->Settings.CursorInfo = 2;
    whenShown<frmConfig>([](frmConfig& d) {
        EXPECT_TRUE(test::Control<QRadioButton>(d, "optMaxSaveData", 1)->isChecked());
        test::Control<QCheckBox>(d, "chkIndexDisp")->setChecked(true);
        test::Control<QCheckBox>(d, "chkCursorBlink")->setChecked(true);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(state->Settings.MaxDatas, 360000);
    EXPECT_EQ(state->Settings.CursorInfo, 7);

    whenShown<frmConfig>([](frmConfig& d) {
        test::Control<QCheckBox>(d, "chkIndexDisp")->setChecked(false);
        test::Control<QCheckBox>(d, "chkCursorBlink")->setChecked(false);
        test::Control<QRadioButton>(d, "optMaxSaveData", 0)->setChecked(true);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(state->Settings.CursorInfo, 2);
    EXPECT_EQ(state->Settings.MaxDatas, 30000);
}

TEST_F(Settings, TheDocumentsButtonTakesOnlyAFolderThatExistsAndCancelKeepsTheOldOne)
{
    state->Settings.Password = 1;
    state->Settings.SaveDir = t.path("rec");
    whenShown<frmConfig>([](frmConfig& d) {
        test::Control<QPushButton>(d, "cmdMyDocuments")->click();
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(state->Settings.SaveDir, t.path("rec"));

    // No Documents folder to be had: said so, and the pending folder stays.
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "a file where the folder should be");
    whenShown<frmConfig>([](frmConfig& d) {
        test::Control<QPushButton>(d, "cmdMyDocuments")->click();
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(state->Settings.SaveDir, t.path("rec"));
    ASSERT_FALSE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(t.prompts.shown.last().text.startsWith("ドキュメントフォルダが見つからない"));

    QFile::remove(t.path("Documents"));
    whenShown<frmConfig>([](frmConfig& d) {
        test::Control<QPushButton>(d, "cmdMyDocuments")->click();
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().mnuSetting->trigger();
    EXPECT_EQ(state->Settings.SaveDir, t.path("Documents"));
}

TEST_F(Settings, ALimitLoweredDuringAMeasurementEndsTheSegmentAtTheNextSample)
{
    state->Settings.Password = 1;
    state->Settings.MaxDatas = 360000;
    state->Settings.SaveDir = t.path("rec");
    startWithoutPort();
    for (int i = 0; i < 30500; ++i) {
        float v = float(i % 100);
        feedValue(v);
    }
    whenShown<frmConfig>([](frmConfig& d) {
        test::Control<QRadioButton>(d, "optMaxSaveData", 0)->setChecked(true);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().mnuSetting->trigger();
    float v = 7;
    feedValue(v);
    EXPECT_EQ(state->store.g_FileNo, 2);
    EXPECT_EQ(state->store.g_DataCnt, 1);
    EXPECT_EQ(state->store.g_Datas[0], 7.0f);
    EXPECT_EQ(QDir(t.path("rec")).entryList({"*.csv"}, QDir::Files).size(), 1);
}
