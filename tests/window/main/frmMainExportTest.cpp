// What the first menu and the shortcuts add to the window: the analysis CSV, the recently loaded
// recordings kept in the settings file, Ctrl+O, Ctrl+P and Ctrl+Q.
#include "core/platform/TextFile.h"
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QXmlStreamReader>

using namespace tavin;

namespace {

class Export : public test::WindowFixture {
protected:
    // A recording of `n` samples in the test's folder, loaded once in read-out mode.
    QString recording(const QString& name, int n)
    {
        QByteArray text = "2026年12月6日 9:05:03,46362.5,1,100 msec,10,0,kPa,2\r\n";
        for (int i = 0; i < n; ++i)
            text += QByteArray::number(i) + ",\r\n";
        t.write(name, ToCp932(QString::fromUtf8(text)));
        return t.path(name);
    }
    void load(const QString& path)
    {
        t.prompts.files = {path};
        w->controls().actOpen->trigger();
    }
};

}  // namespace

TEST_F(Export, TheAnalysisCsvHoldsTheStoreTimesTheCoefficientWithAHeader)
{
    w->controls().mnuExportCsv->trigger();  // nothing to write yet
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "出力するデータがありません。");
    EXPECT_TRUE(t.prompts.dialogs.isEmpty());

    load(recording("bench.csv", 3));  // coefficient 2, unit kPa, 100 ms
    t.prompts.files = {t.path("out.csv")};
    w->controls().mnuExportCsv->trigger();
    ASSERT_EQ(t.prompts.dialogs.size(), 2);
    EXPECT_EQ(t.prompts.dialogs[1].fileName, "bench_analysis.csv");  // named after the recording, beside it
    EXPECT_EQ(t.prompts.dialogs[1].initDir, QDir::toNativeSeparators(t.dir.path()) + QDir::separator());
    // What the data is, as comments, then the columns.
    const auto data = [&] { return t.read("out.csv").mid(t.read("out.csv").indexOf("\ntime,") + 1); };
    EXPECT_TRUE(
        t.read("out.csv").startsWith("# ファイル名: bench.csv   測定開始: 2026年12月6日 9:05:03   出力: "
                                     "2026/12/06 09:05:03\n"));
    EXPECT_EQ(data(), "time,value [kPa]\n"
                      "2026-12-06T12:00:00.700,0\n"
                      "2026-12-06T12:00:00.800,2\n"
                      "2026-12-06T12:00:00.900,4\n");
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(),
              "解析用CSVを出力しました: " + QDir::toNativeSeparators(t.path("out.csv")));

    // With the average shown, its column; an existing file is replaced only when the user says so.
    w->controls().chkAve->setChecked(true);
    state->store.ave.AveNum = 2;
    t.prompts.files = {t.path("out.csv"), t.path("out.csv")};
    t.prompts.answers = {MsgAnswer::No, MsgAnswer::Yes};
    w->controls().mnuExportCsv->trigger();
    EXPECT_EQ(data().left(17), "time,value [kPa]\n");
    w->controls().mnuExportCsv->trigger();
    EXPECT_TRUE(data().startsWith("time,value [kPa],average [kPa]\n"));
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(Export, RecentRecordingsAreListedKeptAndDroppedWhenGone)
{
    const QString a = recording("a.csv", 2), b = recording("b.csv", 2);
    load(a);
    load(b);
    load(a);  // again: to the top, not twice
    t.write("notes.csv", "no recording\r\n");
    load(t.path("notes.csv"));  // no samples: not listed
    EXPECT_EQ(state->Settings.Recent,
              (QStringList{QDir::toNativeSeparators(a), QDir::toNativeSeparators(b)}));
    EXPECT_TRUE(w->controls().mnuRecent[0]->isVisible());
    EXPECT_EQ(w->controls().mnuRecent[0]->text(), "&1 a.csv");
    EXPECT_EQ(w->controls().mnuRecent[1]->text(), "&2 b.csv");
    EXPECT_FALSE(w->controls().mnuRecent[2]->isVisible());

    // Kept in the settings file after the other keys, and read back at the next start.
    state->conf.ConfSave();
    const QString ini = FromCp932(t.read("TAVIN-Monitor.ini"));
    EXPECT_TRUE(ini.endsWith(QStringLiteral("FilePath=RQ4600_Datas\r\nRecent1=%1\r\nRecent2=%2\r\n")
                                 .arg(QDir::toNativeSeparators(a), QDir::toNativeSeparators(b))))
        << ini.toStdString();
    state->Settings.Recent.clear();
    state->conf.ConfStartUp();
    EXPECT_EQ(state->Settings.Recent.size(), 2);

    // A recording that went away is taken off the list, with a word why.
    ASSERT_TRUE(QFile::remove(b));
    t.prompts.shown.clear();
    w->controls().mnuRecent[1]->trigger();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith("ファイルが見つかりません。"))
        << t.prompts.shown[0].text.toStdString();
    EXPECT_EQ(state->Settings.Recent, QStringList{QDir::toNativeSeparators(a)});
    EXPECT_FALSE(w->controls().mnuRecent[1]->isVisible());
    state->conf.ConfSave();
    EXPECT_TRUE(FromCp932(t.read("TAVIN-Monitor.ini")).endsWith(QStringLiteral("Recent2=\r\n")));  // cleared

    // The list loads as the load button does, switching to read-out mode.
    w->controls().optMode[0]->setChecked(true);
    w->controls().mnuRecent[0]->trigger();
    EXPECT_TRUE(w->controls().optMode[1]->isChecked());
    EXPECT_EQ(state->store.g_DataCnt, 2);
    EXPECT_EQ(w->controls().lblLoadFileName->text(), "a.csv");
}

TEST_F(Export, TheGraphGoesToPngAtOneOrTwiceTheScreenToSvgWithItsCurveAndToTheClipboard)
{
    load(recording("bench.csv", 150));
    const QImage screen = w->graph().graphImage(1);
    ASSERT_FALSE(screen.isNull());

    t.prompts.files = {t.path("g.png"), t.path("g2.png"), t.path("g.svg")};
    t.prompts.answers = {MsgAnswer::No, MsgAnswer::Yes};  // screen size, then twice it
    w->controls().mnuGraphImage->trigger();
    // Under lines saying what it shows, the graph as the screen has it.
    const QImage png = QImage(t.path("g.png")).convertToFormat(screen.format());
    const int band = png.height() - screen.height();
    EXPECT_GT(band, 10);
    EXPECT_EQ(png.copy(0, band, screen.width(), screen.height()), screen);
    EXPECT_EQ(t.prompts.dialogs.last().fileName, "bench.png");
    w->controls().mnuGraphImage->trigger();
    EXPECT_EQ(QImage(t.path("g2.png")).size(), png.size() * 2);
    w->controls().mnuGraphImage->trigger();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(),
              "グラフを保存しました: " + QDir::toNativeSeparators(t.path("g.svg")));

    // The SVG is well formed, its labels are texts, the grid lines, and the curve a path of its
    // own, in the curve's blue.
    QFile svg(t.path("g.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    int curves = 0, images = 0, lines = 0;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        images += xml.name() == u"image";
        lines += xml.name() == u"polyline" || xml.name() == u"line";
        if (xml.name() == u"text")
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        // Qt writes the pen on the group around the path.
        if (xml.name() == u"g" && xml.attributes().value("stroke") == u"#0000ff")
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"g") && !xml.atEnd())
                if (xml.isStartElement() && xml.name() == u"path" &&
                    xml.attributes().value("d").count(u'L') >= 50)
                    ++curves;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(images, 0);
    EXPECT_EQ(curves, 1);
    EXPECT_GT(lines, 10);
    EXPECT_TRUE(texts.contains("(kPa)")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("(秒)"));
    EXPECT_TRUE(texts.contains("bench.csv")) << texts.join(" | ").toStdString();  // what it shows, above

    // Ctrl+C on the graph and its menu put the picture on the clipboard.
    EXPECT_EQ(w->controls().actCopyGraph->shortcut(), QKeySequence::Copy);
    EXPECT_TRUE(w->controls().pctGraph1->actions().contains(w->controls().actCopyGraph));
    w->controls().actCopyGraph->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(screen.format()), screen);
}

TEST_F(Export, ShortcutsLoadPrintAndQuit)
{
    EXPECT_EQ(w->controls().actOpen->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(w->controls().actPrint->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(w->controls().mnuExit->shortcut(), QKeySequence("Ctrl+Q"));
    // Ctrl+O from measure mode: the open dialog, and read-out mode once a file is chosen (a
    // cancelled dialog leaves what was measured).
    EXPECT_TRUE(w->controls().optMode[0]->isChecked());
    w->controls().actOpen->trigger();
    EXPECT_EQ(t.prompts.dialogs.size(), 1);
    EXPECT_TRUE(w->controls().optMode[0]->isChecked());
    load(recording("a.csv", 4));
    EXPECT_TRUE(w->controls().optMode[1]->isChecked());
    EXPECT_EQ(state->store.g_DataCnt, 4);
    // Ctrl+P presses the print button (whose dialog is not opened here).
    QObject::disconnect(w->controls().cmdPrintOut, nullptr, w.get(), nullptr);
    QSignalSpy pressed(w->controls().cmdPrintOut, &QPushButton::clicked);
    w->controls().actPrint->trigger();
    EXPECT_EQ(pressed.count(), 1);
    // Not while measuring.
    w->controls().optMode[0]->setChecked(true);
    const qsizetype dialogs = t.prompts.dialogs.size();
    startWithoutPort();
    w->controls().actOpen->trigger();
    EXPECT_TRUE(w->controls().optMode[0]->isChecked());
    EXPECT_EQ(t.prompts.dialogs.size(), dialogs);
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "測定中は読み込めません。");
}
