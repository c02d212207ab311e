// The graph and its pages on the real window: what the backing images hold after a paint.
#include "core/files/CsvWriter.h"
#include "support/WindowFixture.h"
#include "window/platform/Printers.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace tavin;

namespace {

const QRgb Blue = qRgb(0, 0, 255);

class Graph : public test::WindowFixture {
protected:
    void fill(int count, float value)
    {
        for (int i = 0; i < count; ++i)
            state->store.g_Datas[std::size_t(i)] = value;
        state->store.g_DataCnt = count;
    }
    // Pixel columns and rows that hold the colour on the plot area.
    QList<int> columns(QRgb colour) const
    {
        const QImage& img = w->controls().pctGraph1->image();
        QList<int> xs;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixel(x, y) == colour) {
                    xs << x;
                    break;
                }
        return xs;
    }
    QList<int> rows(QRgb colour) const
    {
        const QImage& img = w->controls().pctGraph1->image();
        QList<int> ys;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == colour) {
                    ys << y;
                    break;
                }
        return ys;
    }
    // The pixel row of the first blue pixel in the column a tenth into the plot; -1 for none.
    int curveRowNearTheLeft() const
    {
        const QImage& img = w->controls().pctGraph1->image();
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(img.width() / 10, y) == Blue)
                return y;
        return -1;
    }
    double rowOf(float value) const
    {
        const float top = state->ScaleTable[std::size_t(w->controls().cmbGraphRange->currentIndex())].Top;
        return (top - value) * w->controls().pctGraph1->image().height() /
               w->controls().pctGraph1->ScaleHeight;
    }
    QStringList labels() const
    {
        QStringList out;
        for (const auto& p : w->controls().pctGraphWork->printed())
            out << p.text;
        return out;
    }
};

}  // namespace

TEST_F(Graph, AnEmptyStorePaintsGridAndLabelsOnly)
{
    w->pctGraph1_Paint();
    EXPECT_TRUE(columns(Blue).isEmpty());
    EXPECT_FALSE(rows(qRgb(0, 0, 0)).isEmpty());
    const QStringList l = labels();
    EXPECT_TRUE(l.contains("(---)"));
    EXPECT_TRUE(l.contains("  0.00"));
    EXPECT_TRUE(l.contains("  1.25"));
    EXPECT_TRUE(l.contains("20"));
    EXPECT_TRUE(l.contains("(秒)"));
}

TEST_F(Graph, TheScaleShowsTheUnitAsSoonAsTheFramesBringIt)
{
    startWithoutPort();
    feedValue(0.5f);
    feedValue(0.75f);
    EXPECT_TRUE(labels().contains("(---)"));
    w->controls().lblTani->setText("kPa");  // as the engine's unit event sets it, mid-page
    EXPECT_TRUE(labels().contains("(kPa)")) << labels().join(' ').toStdString();
    EXPECT_EQ(columns(Blue).isEmpty(), false);  // the page's samples are drawn again
}

TEST_F(Graph, OnlySamplesOfThePageAreDrawn)
{
    // 1000 ms sampling and a 20 s page: N = 20. With the page at 40 and 45 samples, samples
    // 40..44 make four segments from x = 0 to x = 4.
    w->controls().mnuPlusRange[4]->trigger();
    fill(45, 10.0f);
    state->page.showFrom(40);
    w->pctGraph1_Paint();
    const QList<int> xs = columns(Blue);
    ASSERT_FALSE(xs.isEmpty());
    const double perSample =
        w->controls().pctGraph1->image().width() / double(w->controls().pctGraph1->ScaleWidth);
    EXPECT_EQ(xs.first(), 0);
    EXPECT_NEAR(xs.last(), 4 * perSample, 1.5);
}

TEST_F(Graph, TheCoefficientScalesWhatIsDrawn)
{
    w->controls().mnuPlusRange[4]->trigger();  // 0 .. 25
    fill(10, 10.0f);
    state->g_Keisu = 2.0f;
    w->pctGraph1_Paint();
    const QList<int> ys = rows(Blue);
    ASSERT_FALSE(ys.isEmpty());
    const double y20 =
        (25.0 - 20.0) * w->controls().pctGraph1->image().height() / w->controls().pctGraph1->ScaleHeight;
    EXPECT_NEAR(ys.first(), y20, 1.0);
    EXPECT_EQ(state->store.g_Datas[0], 10.0f);
}

TEST_F(Graph, UnlabelledScaleLinesAndTheOneSecondPage)
{
    w->controls().chkMinus120per->setChecked(true);
    w->controls().chk120perScale->setChecked(true);
    w->controls().mnuPlusRange[0]->trigger();         // plus 1
    w->controls().cmbRangeMinus->setCurrentIndex(2);  // -0.1: the extended bottom -0.125 has no label
    w->SelectSampling("10");
    w->controls().cmbPageSec->setCurrentIndex(0);  // "1秒": 100 samples a page
    w->pctGraph1_Paint();
    const QStringList l = labels();
    EXPECT_FALSE(l.contains("-0.13"));
    EXPECT_TRUE(l.contains(" -0.10"));
    for (const char* t : {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0", "(秒)"})
        EXPECT_TRUE(l.contains(t)) << t;
}

TEST_F(Graph, PagesFollowTheSamplingAndThePageLength)
{
    fill(45, 1.0f);
    w->controls().cmbPageSec->setCurrentIndex(3);
    w->controls().cmbPageSec->setCurrentIndex(4);  // 20 s at 1000 ms: N = 20
    EXPECT_EQ(w->controls().lblPageCount->text(), "1ページのデータ数:20");
    EXPECT_EQ(w->controls().lblPage->text(), "1/3ページ");
    EXPECT_EQ(w->controls().HScroll1->maximum(), 2);
    w->controls().HScroll1->setValue(2);
    EXPECT_EQ(state->page.start(), 40);
    EXPECT_EQ(w->controls().lblPage->text(), "3/3ページ");

    // A cursor at 95 with N = 20 keeps the page that holds it.
    fill(200, 1.0f);
    state->page.placeCursor(95);
    w->controls().cmbPageSec->setCurrentIndex(3);
    w->controls().cmbPageSec->setCurrentIndex(4);
    EXPECT_EQ(state->page.start(), 80);
}

TEST_F(Graph, AShortPageStepsUpUntilItHoldsElevenSamples)
{
    w->controls().cmbPageSec->setCurrentIndex(0);
    w->SelectSampling("600 sec");
    EXPECT_EQ(w->controls().cmbPageSec->currentText(), "7200秒(2時間)");
    EXPECT_EQ(w->controls().lblPageCount->text(), "1ページのデータ数:12");

    w->SelectSampling("1");
    w->controls().cmbPageSec->setCurrentIndex(18);  // 10 days at 1 ms: the whole store is one page
    fill(360000, 1.0f);
    w->graph().DispPageInfo(0, state->store.g_DataCnt - 1, false);
    EXPECT_EQ(w->controls().lblPage->text(), "1/1ページ");
    w->graph().DispPageInfo(0, -1, false);  // an empty store changes nothing
    EXPECT_EQ(w->controls().lblPage->text(), "1/1ページ");
}

TEST_F(Graph, RangesFromTheMenuEnableTheirMinusItems)
{
    w->controls().mnuPlusRange[7]->trigger();
    w->controls().mnuMinusRange[3]->trigger();
    EXPECT_EQ(w->controls().cmbRangeMinus->currentText(), "-10.0");
    w->controls().mnuPlusRange[3]->trigger();  // plus "10": no numeric minus range
    for (int i = 2; i < w->controls().mnuMinusRange.size(); ++i)
        EXPECT_FALSE(w->controls().mnuMinusRange[i]->isEnabled()) << i;
    EXPECT_EQ(w->controls().cmbRangeMinus->currentIndex(), 0);
    EXPECT_TRUE(w->controls().mnuMinusRange[0]->isChecked());
    EXPECT_EQ(state->Settings.RangePlus, 3);
    EXPECT_EQ(state->Settings.RangeMinus, 0);
}

TEST_F(Graph, LimitLinesSitAtTheirValues)
{
    w->controls().mnuPlusRange[7]->trigger();  // 0 .. 125
    state->Settings.LimitHi = 100;
    w->controls().chkUpperLimit->setChecked(true);
    w->controls().lblUpper->setText("100");
    EXPECT_TRUE(w->controls().LineUpper->Visible);
    EXPECT_NEAR(w->controls().LineUpper->Y1,
                125.0f - 100.0f * w->controls().pctGraph1->ScaleHeight / 125.0f + 0.0f, 0.5f);
    w->controls().chkUpperLimit->setChecked(false);
    EXPECT_FALSE(w->controls().LineUpper->Visible);
    EXPECT_EQ(state->Settings.EtcConf & 4, 0);
}

// A recording loaded in read-out mode opens on its first page: the curve drawn, the page and time
// labels, the scroll bar, the print's file name and a click's readout all agree on it, and go on
// agreeing after paging with the scroll bar and a zoom. Each page's samples lie at a level of
// their own, so the curve tells which page is drawn.
TEST_F(Graph, ALoadedRecordingShowsPrintsAndReadsOutThePageItSays)
{
    struct Recording {
        int samples;
        int samplingMs;
        int pageIndex;  // of the page-length list
        int perPage;
    };
    // Three pages each: 20 s of 1 s samples, 20 s of 100 ms samples, 2 s of 10 ms samples.
    const Recording table[] = {{45, 1000, 4, 20}, {450, 100, 4, 200}, {550, 10, 1, 200}};
    w->controls().optMode[1]->setChecked(true);
    w->setInstalledPrinters(FilePrinterOnly);
    state->Settings.CursorInfo = 7;  // the readout names the sample's number
    for (const Recording& r : table) {
        SCOPED_TRACE(r.samplingMs);
        auto level = [&](std::int32_t i) { return 5.0f * float(i / r.perPage + 1); };
        std::vector<float> values(std::size_t(r.samples));
        std::vector<OleDate> times(values.size());
        for (int i = 0; i < r.samples; ++i) {
            values[std::size_t(i)] = level(i);
            times[std::size_t(i)] = ToOleDate(t.now) + i * r.samplingMs / 86400000.0;
        }
        const CsvHeader header{
            QStringLiteral("2026年12月6日 09:05:03"), 1, double(r.samplingMs), "20", "0", "kPa"};
        const QString name = QStringLiteral("Documents/rec%1.csv").arg(r.samplingMs);
        t.write(name, FormatCsv(header, values.data(), times.data(), 0, r.samples - 1, header.startText));
        w->controls().cmbPageSec->setCurrentIndex(r.pageIndex);
        t.prompts.files = {t.path(name)};
        Q_EMIT w->controls().cmdFileLoad->clicked();
        ASSERT_EQ(state->store.g_DataCnt, r.samples);

        auto showsPageAt = [&](std::int32_t start, const QString& page) {
            const auto span = std::int32_t(state->page.span());
            EXPECT_EQ(state->page.start(), start);
            EXPECT_EQ(w->controls().lblPage->text(), page + QStringLiteral("ページ"));
            EXPECT_EQ(w->controls().HScroll1->value(), start / span);
            EXPECT_EQ(w->controls().lblTime->text(), FormatDate(times[std::size_t(start)], u"hh:nn:ss"));
            EXPECT_NEAR(curveRowNearTheLeft(), rowOf(level(start + span / 10)), 1.5);
        };
        showsPageAt(0, "1/3");
        EXPECT_EQ(w->PrintOut(), 0);
        EXPECT_EQ(QFileInfo(state->print.PrintFilePath).fileName(),
                  QStringLiteral("rec%1-0001.pdf").arg(r.samplingMs));
        EXPECT_TRUE(QFileInfo::exists(state->print.PrintFilePath));

        const int px =
            int(3.5 * w->controls().pctGraph1->width() / double(w->controls().pctGraph1->ScaleWidth));
        QTest::mouseClick(w->controls().pctGraph1, Qt::LeftButton, {}, QPoint(px, 20));
        EXPECT_EQ(state->page.cursor(), 3);
        ASSERT_FALSE(w->controls().pctLabelWork->printed().isEmpty());
        EXPECT_TRUE(w->controls().pctLabelWork->printed().last().text.contains(QStringLiteral("[3]")));

        w->controls().HScroll1->setValue(1);
        showsPageAt(r.perPage, "2/3");
        EXPECT_EQ(w->PrintOut(), 0);
        EXPECT_TRUE(state->print.PrintFilePath.endsWith(QStringLiteral("-0002.pdf")));
        w->controls().cmdZoom[0]->click();  // a longer page: the one with the cursor, 1 of 2
        showsPageAt(0, "1/2");
    }
}

// A larger window gives its room to the graph: the plot and the labels around it grow, the
// controls right of it keep their size and follow the right edge, those under it the bottom edge.
// The lines placed in the plot's user scale stay at their values, drawn where the larger plot has
// them. Back at the base size everything is where it was; the debug width's room is not the graph's.
TEST_F(Graph, ALargerWindowGivesItsRoomToTheGraph)
{
    const auto& ui = w->controls();
    ui.mnuPlusRange[7]->trigger();  // 0 .. 125
    fill(45, 50.0f);
    state->Settings.LimitHi = 100;
    ui.chkUpperLimit->setChecked(true);
    w->show();
    w->pctGraph1_Paint();
    QTest::mouseClick(ui.pctGraph1, Qt::LeftButton, {}, QPoint(100, 20));
    ASSERT_GT(state->page.cursor(), 0);
    const QSize base = w->size();
    EXPECT_EQ(w->minimumSize(), base);
    const float upper = ui.LineUpper->Y1, cursor = ui.lineCursor->X1;
    const float scaleWidth = ui.pctGraph1->ScaleWidth, scaleHeight = ui.pctGraph1->ScaleHeight;

    auto shows = [&](QSize extra) {
        SCOPED_TRACE(extra.width());
        const int dx = extra.width(), dy = extra.height();
        EXPECT_EQ(ui.pctGraphWork->geometry(), QRect(8, 8, 620 + dx, 550 + dy));
        EXPECT_EQ(ui.pctGraph1->geometry(), QRect(52, 22, 536 + dx, 480 + dy));
        EXPECT_EQ(ui.cmdOpen->geometry(), QRect(640 + dx, 198, 116, 32));
        EXPECT_EQ(ui.Frame3->geometry(), QRect(640 + dx, 150, 240, 40));
        EXPECT_EQ(ui.HScroll1->geometry(), QRect(60, 562 + dy, 536 + dx, 17));
        EXPECT_EQ(ui.lblPage->geometry(), QRect(60, 582 + dy, 160, 18));
        EXPECT_EQ(ui.lblPageStats->geometry(), QRect(60, 630 + dy, 568 + dx, 18));
        EXPECT_EQ(ui.ProgressBar1->width(), 620 + dx);
        // The time axis's unit at the plot's right end, under it.
        const auto& printed = ui.pctGraphWork->printed();
        const auto unit =
            std::find_if(printed.begin(), printed.end(), [](const auto& p) { return p.text == "(秒)"; });
        ASSERT_NE(unit, printed.end());
        EXPECT_EQ(unit->x, 780 + 8040 + 15 * dx);
        EXPECT_EQ(unit->y, 330 + 7200 + 15 * dy + 60 + ui.pctGraphWork->TextHeight("20"));
        // The same user scale (the printed sheet reads it), the lines drawn at their places in it.
        EXPECT_EQ(ui.pctGraph1->ScaleWidth, scaleWidth);
        EXPECT_EQ(ui.pctGraph1->ScaleHeight, scaleHeight);
        EXPECT_EQ(ui.LineUpper->Y1, upper);
        EXPECT_EQ(ui.lineCursor->X1, cursor);
        ui.lineCursor->Visible = true;
        const QImage shown = ui.pctGraph1->grab().toImage();
        int red = -1, green = -1;
        for (int y = 0; y < shown.height() && red < 0; ++y)
            if (shown.pixel(shown.width() / 2, y) == qRgb(255, 0, 0))
                red = y;
        for (int x = 0; x < shown.width() && green < 0; ++x)
            if (shown.pixel(x, shown.height() * 3 / 4) == qRgb(0, 128, 0))
                green = x;
        EXPECT_NEAR(red, upper * (480 + dy) / scaleHeight, 1.0);
        EXPECT_NEAR(green, cursor * (536 + dx) / scaleWidth, 1.0);
        EXPECT_NEAR(ui.pctLabelWork->x(), green, 10);  // the cursor's panel, its marker on the line
        EXPECT_EQ(w->graph().graphImage(1).size(), QSize(620 + dx, 550 + dy));
    };
    shows({0, 0});
    w->resize(base + QSize(400, 300));
    shows({400, 300});
    w->resize(base);
    shows({0, 0});

    // The debug width is the base: its room is the engineering controls', and a larger window's
    // beyond it is the graph's again.
    w->setWidthTwips(frmMain::DebugWidth);
    EXPECT_EQ(ui.pctGraphWork->width(), 620);
    EXPECT_EQ(ui.cmdOpen->x(), 640);
    w->resize(w->size() + QSize(400, 300));
    shows({400, 300});
    w->setWidthTwips(frmMain::NormalWidth);
    w->resize(base);
    shows({0, 0});
}

// A second recording lies in grey under the data: placed by time (500 ms samples on a graph of
// 1 s ones, ten samples over five), at its own coefficient, from the data's first sample or from
// the cursor. The pictures show it; the store and its exports never hold it; clearing removes it.
TEST_F(Graph, AReferenceLiesGreyUnderTheDataAndStaysOutOfItsFiles)
{
    const QRgb Grey = qRgb(160, 160, 160);
    w->controls().mnuPlusRange[4]->trigger();  // 0 .. 25
    fill(30, 20.0f);
    w->pctGraph1_Paint();
    t.prompts.files = {t.path("none.csv")};
    w->controls().mnuReference->trigger();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith(QStringLiteral("基準波形を読み込めません:")));
    EXPECT_TRUE(columns(Grey).isEmpty());

    const std::vector<float> values(10, 5.0f);
    const std::vector<OleDate> times(values.size(), ToOleDate(t.now));
    const CsvHeader header{QStringLiteral("2026年12月6日 09:05:03"), 1, 500, "20", "0", "kPa", 2.0f};
    t.write("ref.csv", FormatCsv(header, values.data(), times.data(), 0, 9, header.startText));
    t.prompts.files = {t.path("ref.csv")};
    w->controls().mnuReference->trigger();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), QStringLiteral("基準波形: ref.csv"));
    const double perSample =
        w->controls().pctGraph1->image().width() / double(w->controls().pctGraph1->ScaleWidth);
    auto greyFromTo = [&](double from, double to) {
        const QList<int> xs = columns(Grey);
        ASSERT_FALSE(xs.isEmpty());
        EXPECT_NEAR(xs.first(), from * perSample, 1.5);
        EXPECT_NEAR(xs.last(), to * perSample, 1.5);
        EXPECT_NEAR(rows(Grey).first(), rowOf(10.0f), 1.0);
    };
    greyFromTo(0, 4.5);
    QTest::mouseClick(w->controls().pctGraph1, Qt::LeftButton, {}, QPoint(int(3.5 * perSample), 20));
    ASSERT_EQ(state->page.cursor(), 3);
    greyFromTo(3, 7.5);

    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    ASSERT_TRUE(w->graph().writeGraphSvg(svg, "graph"));
    EXPECT_TRUE(svg.data().contains("stroke=\"#a0a0a0\""));
    t.prompts.files = {t.path("out.csv")};
    w->controls().mnuExportCsv->trigger();
    EXPECT_EQ(t.read("out.csv").count(",20\n"), 30);
    EXPECT_EQ(t.read("out.csv").count('\n'), 32);  // a line saying what it is, the header, the samples

    w->controls().mnuReferenceClear->trigger();
    EXPECT_TRUE(columns(Grey).isEmpty());
}
