// Recording files on the real window: saving segments, the save-name dialog, loading in read-out
// mode with the recording's context.
#include "core/files/NameLimit.h"
#include "core/platform/TextFile.h"
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include <sys/stat.h>

using namespace tavin;

namespace {

class Files : public test::WindowFixture {
protected:
    void record(std::initializer_list<float> values)
    {
        startWithoutPort();
        for (float v : values)
            feedValue(v);
    }
    QStringList csvIn(const QString& folder) const
    {
        return QDir(folder).entryList({"*.csv"}, QDir::Files, QDir::Name);
    }
    QString docs() const { return QDir::toNativeSeparators(t.path("Documents")); }
};

}  // namespace

TEST_F(Files, ASavedSegmentLoadsBackWithItsContext)
{
    w->controls().mnuPlusRange[5]->trigger();         // 35
    w->controls().cmbRangeMinus->setCurrentIndex(1);  // compound: "-35"
    w->SelectSampling("20 msec");
    w->gauge().SelectTani("Torr");
    state->g_Keisu = 2.5f;
    record({1.5f, -2.25f, 0.125f});
    state->store.g_FileNo = 4;
    saveNow();
    ASSERT_EQ(csvIn(docs()).size(), 1);
    const QString file = QDir(docs()).filePath(csvIn(docs())[0]);
    EXPECT_TRUE(FromCp932(t.read("Documents/" + csvIn(docs())[0])).startsWith("2026年12月6日 09:05:03,"));

    // Everything changes, then the file brings it back.
    w->controls().optMode[1]->setChecked(true);
    w->controls().mnuPlusRange[0]->trigger();
    w->SelectSampling("1000");
    w->gauge().SelectTani("kPa");
    state->g_Keisu = 1.0f;
    w->controls().lblBattery->setText("8.5");  // what a live gauge left
    w->controls().lblGA->setText("G");
    t.prompts.files = {file};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
    EXPECT_EQ(w->controls().lblBattery->text(), "-");  // a recording holds no battery or reference
    EXPECT_EQ(w->controls().lblGA->text(), "");
    EXPECT_EQ(state->store.g_DataCnt, 3);
    EXPECT_EQ(w->controls().lblCounter->text(), "3");
    EXPECT_EQ(state->store.g_Datas[1], -2.25f);
    EXPECT_EQ(state->store.g_FileNo, 4);
    EXPECT_EQ(state->Settings.Sampling, 20);
    EXPECT_EQ(w->controls().cmbGraphRange->currentText(), "35");
    EXPECT_EQ(w->controls().cmbRangeMinus->currentIndex(), 1);
    EXPECT_EQ(w->controls().lblTani->text(), "Torr");
    EXPECT_EQ(state->g_Keisu, 2.5f);
    EXPECT_EQ(w->controls().lblPage->text(), "1/1ページ");
    EXPECT_EQ(w->controls().lblLoadFileName->text(), QFileInfo(file).fileName());
    EXPECT_EQ(w->loadFolder(), docs());
    EXPECT_EQ(w->controls().lblVariable->text(), " ----- ");
    EXPECT_EQ(state->Settings.FilePath, "RQ4600_Datas");
    // What is shown, and in read-out mode the whole recording, at the coefficient and in the unit.
    EXPECT_EQ(w->controls().lblPageStats->text(), "表示中: 最小 -5.625  最大 3.75  平均 -0.5208  "
                                                  "全体: 最小 -5.625  最大 3.75  平均 -0.5208 Torr");
}

// Assistive technology reads the count and the readout as shown: while measuring a change at once
// and the next ones when the second is up, the last of them; after a stop and after a load at once.
TEST_F(Files, AssistiveTechnologyReadsTheCountAndReadoutAsShown)
{
    Label* counter = w->controls().lblCounter;
    auto spoken = [](Label* l) { return QAccessible::queryAccessibleInterface(l)->text(QAccessible::Name); };
    record({1.5f, -2.25f, 3.0f});
    EXPECT_EQ(spoken(counter), "1");
    auto* held = counter->findChild<QTimer*>();
    ASSERT_TRUE(held && held->isActive());
    test::Fire(held);  // the second is up
    EXPECT_EQ(spoken(counter), "3");
    feedValue(4.0f);
    EXPECT_EQ(spoken(counter), "3");

    Q_EMIT w->controls().cmdClose->clicked();
    for (Label* l : {counter, w->controls().lblVariable}) {
        EXPECT_EQ(spoken(l), l->text()) << l->objectName().toStdString();
        const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(l);
        for (int i = 0; i < a->childCount(); ++i)  // nothing stale beneath it for a reader walking the tree
            EXPECT_EQ(a->child(i)->text(QAccessible::Name), "") << l->objectName().toStdString();
    }
    EXPECT_EQ(spoken(counter), "4");

    w->controls().optMode[1]->setChecked(true);
    t.write("two.csv", "s,46362.5,1,1000 msec,10,0,kPa,1\r\n1,\r\n2,\r\n");
    t.prompts.files = {t.path("two.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(spoken(counter), "2");
    EXPECT_EQ(spoken(w->controls().lblVariable), " ----- ");
}

TEST_F(Files, AShortHeaderKeepsTheSettingsAndABadLineIsReported)
{
    t.write("two.csv", "start,46362.5\r\n1,\r\n2,\r\n");
    w->SelectSampling("50");
    t.prompts.files = {t.path("two.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(state->store.g_FileNo, 1);
    EXPECT_EQ(state->Settings.Sampling, 50);
    EXPECT_EQ(state->store.g_DataCnt, 2);
    EXPECT_EQ(w->controls().lblStartTime->text(), "start");

    t.write("bad.csv", "start,46362.5,3\r\n1,\r\n2,\r\n3\r\n4,\r\n");
    t.prompts.files = {t.path("bad.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込みエラー 4行目");
    EXPECT_EQ(state->store.g_DataCnt, 2);
    EXPECT_EQ(w->controls().lblCounter->text(), "2");  // counter and pages follow what was read
    EXPECT_EQ(w->controls().lblPage->text(), "1/1ページ");

    // A start time that is no time stops at the header; an empty file loads nothing.
    t.write("badstart.csv", "start,yesterday,3\r\n1,\r\n");
    t.write("empty.csv", "");
    t.prompts.files = {t.path("badstart.csv"), t.path("empty.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込みエラー 1行目");
    EXPECT_EQ(state->store.g_DataCnt, 0);
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
    EXPECT_EQ(w->controls().lblCounter->text(), "0");

    // Nor is a header with a NUL byte a header.
    t.write("nul.csv", QByteArray("start\0,46362.5,3\r\n1,\r\n", 22));
    t.prompts.files = {t.path("nul.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込みエラー 1行目");
}

TEST_F(Files, CancellingTheOpenDialogChangesNothing)
{
    record({1.0f, 2.0f});
    w->controls().lblLoadFileName->setText("kept");
    Q_EMIT w->controls().cmdFileLoad->clicked();  // no scripted answer: cancelled
    EXPECT_EQ(state->store.g_DataCnt, 2);
    EXPECT_EQ(w->controls().lblLoadFileName->text(), "kept");
    ASSERT_EQ(t.prompts.dialogs.size(), 1);
    EXPECT_EQ(t.prompts.dialogs[0].kind, FileDialog::Open);
    EXPECT_EQ(t.prompts.dialogs[0].initDir, state->Settings.SaveDir);
    EXPECT_EQ(t.prompts.dialogs[0].filterIndex, 2);  // CSV files first
}

TEST_F(Files, TheRangesOfAHeaderAreChosenByTheirTexts)
{
    w->SelectMinusRangeByText("-50.0", "100");
    EXPECT_EQ(w->controls().cmbRangeMinus->currentText(), "-50.0");
    w->SelectPlusRangeByText("150");
    EXPECT_EQ(w->controls().cmbGraphRange->currentText(), "200");
}

TEST_F(Files, AFailedSaveGoesToTheDocumentsFolderAndSaysSo)
{
    t.write("blocker", "a file where a folder should be");
    state->Settings.SaveDir = t.path("blocker/sub");
    record({1.0f});
    saveNow();
    // The level-2 report, from the engine's thread, is shown by the window's: it names the path
    // and the reason.
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.prompts.shown.size() == 1; }));
    EXPECT_TRUE(t.prompts.shown[0].text.contains("blocker"));
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "ドキュメントフォルダに保存しました.");
    EXPECT_EQ(csvIn(docs()).size(), 1);
}

TEST_F(Files, NoFileForAnEmptyStore)
{
    saveNow();
    EXPECT_TRUE(csvIn(docs()).isEmpty());
}

TEST_F(Files, TheSaveNameDialogAsksBeforeTakingAnExistingFile)
{
    const QString before = QStringLiteral("保存先: ") + QDir::toNativeSeparators(docs());
    EXPECT_EQ(w->controls().txtSaveFileName->toolTip(), before);  // where recordings go, always in sight
    EXPECT_EQ(w->controls().lblSaveFolder->text(), before);
    t.write("existing.csv", "x");
    t.prompts.files = {t.path("existing.csv"), t.path("existing.csv")};
    t.prompts.answers = {MsgAnswer::No, MsgAnswer::Yes};
    QTest::mouseClick(w->controls().txtSaveFileName, Qt::LeftButton);
    EXPECT_EQ(t.prompts.dialogs.size(), 2);  // No showed the dialog again
    EXPECT_EQ(t.prompts.shown[0].text,
              "上書きしますか？\r\n(" + QDir::toNativeSeparators(t.path("existing.csv")) + ")");
    EXPECT_EQ(t.prompts.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(w->controls().txtSaveFileName->text(), "existing");
    EXPECT_EQ(state->Settings.FilePath, "existing");
    EXPECT_EQ(state->Settings.SaveDir, QDir::toNativeSeparators(t.dir.path()));
    EXPECT_EQ(w->controls().lblSaveFolder->text(),
              QStringLiteral("保存先: ") + QDir::toNativeSeparators(t.dir.path()));
    EXPECT_EQ(w->controls().txtSaveFileName->toolTip(), w->controls().lblSaveFolder->text());
    EXPECT_EQ(t.read("existing.csv"), "x");  // choosing a name writes nothing

    w->controls().txtSaveFileName->setText("");
    EXPECT_EQ(w->controls().txtSaveFileName->text(), "RQ4600_Datas");
    EXPECT_EQ(state->Settings.FilePath, "RQ4600_Datas");
}

TEST_F(Files, TheSaveNameDialogRefusesAFolderOrNameWithoutACp932Code)
{
    const QString junkDir = t.path("Résumé"), junkName = t.path("€uro.csv");
    t.prompts.files = {junkDir + "/data.csv", junkName, t.path("good.csv")};
    QTest::mouseClick(w->controls().txtSaveFileName, Qt::LeftButton);
    // Each refusal names the characters and shows the dialog again; the third choice is taken.
    EXPECT_EQ(t.prompts.dialogs.size(), 3);
    ASSERT_EQ(t.prompts.shown.size(), 2);
    EXPECT_TRUE(t.prompts.shown[0].text.contains("(é)"));
    EXPECT_TRUE(t.prompts.shown[1].text.contains("(€)"));
    EXPECT_EQ(t.prompts.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(state->Settings.SaveDir, QDir::toNativeSeparators(t.dir.path()));
    EXPECT_EQ(state->Settings.FilePath, "good");

    // Cancelled after a refusal: nothing changes.
    t.prompts.shown.clear();
    t.prompts.files = {junkDir + "/data.csv"};
    QTest::mouseClick(w->controls().txtSaveFileName, Qt::LeftButton);
    EXPECT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(state->Settings.SaveDir, QDir::toNativeSeparators(t.dir.path()));
    EXPECT_EQ(w->controls().txtSaveFileName->text(), "good");
}

// A base name whose recordings or journal the folder could not name would make every save fail:
// refused where it is entered, chosen or typed.
TEST_F(Files, ABaseNameTooLongForTheFolderIsRefusedWhereItIsEntered)
{
    const int room = 255 - LongestRecordingNameBytes(QString());
    t.prompts.files = {t.path(QString(room + 1, u'x') + ".csv"), t.path(QString(room, u'x') + ".csv")};
    QTest::mouseClick(w->controls().txtSaveFileName, Qt::LeftButton);
    EXPECT_EQ(t.prompts.dialogs.size(), 2);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith(
        QStringLiteral("ファイル名が長すぎます。このフォルダでは %1 バイトまで").arg(room)))
        << t.prompts.shown[0].text.toStdString();
    EXPECT_EQ(state->Settings.FilePath, QString(room, u'x'));

    // Typed: cut back to what fits, a three-byte character never in halves, with the same box.
    w->controls().txtSaveFileName->setText(QString(room / 3 + 5, u'測'));
    EXPECT_EQ(w->controls().txtSaveFileName->text(), QString(room / 3, u'測'));
    EXPECT_EQ(state->Settings.FilePath, QString(room / 3, u'測'));
    EXPECT_EQ(t.prompts.shown.size(), 2);
}

// A header coefficient the coefficient dialog would refuse does not reach the next measurement.
TEST_F(Files, ARefusedCoefficientInTheHeaderIsOneAndTheStatusBarSaysSo)
{
    w->controls().optMode[1]->setChecked(true);
    for (const char* keisu : {"1e39"}) {
        state->g_Keisu = 2.5f;
        t.write("k.csv", QByteArray("s,46362.5,1,1000 msec,10,0,kPa,") + keisu + "\r\n1,\r\n");
        t.prompts.files = {t.path("k.csv")};
        Q_EMIT w->controls().cmdFileLoad->clicked();
        EXPECT_EQ(state->g_Keisu, 1.0f) << keisu;
        EXPECT_EQ(w->controls().StatusBar1->currentMessage(),
                  QStringLiteral("読み込み終了 (係数「%1」は使えないため1にしました)").arg(keisu));
        EXPECT_EQ(state->store.g_DataCnt, 1);
    }
    t.write("k.csv", "s,46362.5,1,1000 msec,10,0,kPa,0.5\r\n1,\r\n");
    t.prompts.files = {t.path("k.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(state->g_Keisu, 0.5f);
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
}

// What cannot be read is refused with its reason, never reported as a finished load; the labels of
// the earlier content go with the store's content.
TEST_F(Files, AFailedLoadNamesItsReasonAndLeavesNoLabelsOfTheEarlierContent)
{
    QByteArray pages = "2026年12月6日 9:05:03,46362.5,1,1000 msec,10,0,kPa,1\r\n";
    for (int i = 0; i < 500; ++i)
        pages += "1,\r\n";
    t.write("pages.csv", ToCp932(QString::fromUtf8(pages)));
    const QString pipe = t.path("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    struct Case {
        QString path;
        QString status;
    } cases[] = {
        {pipe, "読み込みエラー 通常のファイルではありません"},
        {"/dev/zero", "読み込みエラー 通常のファイルではありません"},
        {t.path("none.csv"), "読み込みエラー ファイルが見つかりません"},
        {"/proc/self/mem", "読み込みエラー 読み取りに失敗しました ("},
    };
    w->controls().optMode[1]->setChecked(true);
    for (const Case& c : cases) {
        t.prompts.files = {t.path("pages.csv"), c.path};
        Q_EMIT w->controls().cmdFileLoad->clicked();
        ASSERT_EQ(state->store.g_DataCnt, 500);
        ASSERT_FALSE(w->controls().lblPage->text().isEmpty());
        ASSERT_FALSE(w->controls().lblStartTime->text().isEmpty());
        ASSERT_FALSE(w->controls().lblTime->text().isEmpty());
        Q_EMIT w->controls()
            .cmdFileLoad->clicked();  // returns: a named pipe without a writer does not block it
        EXPECT_TRUE(w->controls().StatusBar1->currentMessage().startsWith(c.status))
            << w->controls().StatusBar1->currentMessage().toStdString();
        EXPECT_EQ(state->store.g_DataCnt, 0);
        EXPECT_EQ(w->controls().lblCounter->text(), "0");
        EXPECT_EQ(w->controls().lblPage->text(), "");
        EXPECT_EQ(w->controls().lblTime->text(), "");
        EXPECT_EQ(w->controls().lblStartTime->text(), "");
    }
    // A bad line: the labels describe the samples read before it.
    t.write("bad.csv", "later,46362.75,1,1000 msec,10,0,kPa,1\r\n1,\r\n2\r\n");
    t.prompts.files = {t.path("pages.csv"), t.path("bad.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込みエラー 3行目");
    EXPECT_EQ(w->controls().lblPage->text(), "1/1ページ");
    EXPECT_EQ(w->controls().lblStartTime->text(), "later");
    EXPECT_EQ(w->controls().lblTime->text(), "18:00:00");
}

TEST_F(Files, AFileBeyondTheStoreLoadsItsFirstLinesAndSaysTheRestWasLeftOut)
{
    ASSERT_EQ(state->log.LogInit(), 0);
    QByteArray csv = "s,46362.5,1,1000 msec,10,0,kPa,1\r\n";
    for (int i = 0; i < 360000; ++i)
        csv += "1,\r\n";
    t.write("full.csv", csv + ",46363.5\r\n");  // a full segment and its closing line
    t.write("long.csv", csv + "2,\r\n3,\r\n");
    w->controls().optMode[1]->setChecked(true);
    t.prompts.files = {t.path("full.csv"), t.path("long.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
    EXPECT_EQ(state->store.g_DataCnt, 360000);
    Q_EMIT w->controls().cmdFileLoad->clicked();
    const QString note = QStringLiteral("読み込み終了 (360000行を超えた分は読み込んでいません)");
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), note);
    EXPECT_EQ(state->store.g_DataCnt, 360000);
    EXPECT_EQ(state->store.g_Datas[359999], 1.0f);
    const QString log = logText();
    EXPECT_TRUE(log.contains(QDir::toNativeSeparators(t.path("long.csv")) + u' ' + note))
        << log.toStdString();
    EXPECT_FALSE(log.contains("full.csv"));
}
