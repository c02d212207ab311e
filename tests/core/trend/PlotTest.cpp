// The graph's arithmetic: time grid, scale lines, pages and the cursor, and the reduction of a
// long polyline to pixel columns checked pixel by pixel against drawing every segment.
#include "core/trend/Plot.h"
#include "core/trend/GraphRoom.h"
#include "core/trend/PageModel.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>

using namespace tavin;

TEST(TimeGrid, EveryPageLengthIsDividedExactlyAndLabelledInItsUnit)
{
    for (const QString& entry : PageSecEntries()) {
        const float pageSec = entry.section(u'秒', 0, 0).toFloat();
        const TimeGrid g = TimeGridFor(pageSec);
        SCOPED_TRACE(entry.toStdString());
        EXPECT_GE(g.axis.div, 4);
        EXPECT_LE(g.axis.div, 6);
        EXPECT_NEAR(g.step * g.axis.div, pageSec, 1e-9);
        // Each unit with its own divisor, and the page at least one of its units long.
        const std::map<QString, float> divisors{{"秒", 1}, {"分", 60}, {"時", 3600}, {"日", 86400}};
        ASSERT_EQ(divisors.count(g.axis.unit), 1u);
        EXPECT_EQ(g.axis.divisor, divisors.at(g.axis.unit));
        EXPECT_GE(pageSec, g.axis.divisor);
    }
    // The last label of a page that starts at the first sample, as a user reads it.
    const std::pair<float, const char*> ends[] = {{10, "10"},    {300, "5"},    {1800, "30"},  {21600, "6"},
                                                  {86400, "24"}, {172800, "2"}, {864000, "10"}};
    for (const auto& [pageSec, label] : ends) {
        const TimeGrid g = TimeGridFor(pageSec);
        EXPECT_EQ(g.label(g.axis.div, 0, 1.0f), label) << pageSec;
    }
    // The examples a user sees.
    const TimeGrid second = TimeGridFor(1);
    QStringList labels;
    for (int i = 0; i <= second.axis.div; ++i)
        labels << second.label(i, 0, 100.0f);
    EXPECT_EQ(labels, (QStringList{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}));
    EXPECT_EQ(TimeGridFor(120).step, 30);
    EXPECT_EQ(TimeGridFor(21600).axis.unit, "時");
    EXPECT_EQ(TimeGridFor(20).label(1, 40, 1.0f), "45");  // the page at sample 40 starts at 40 s
    EXPECT_EQ(TimeGridFor(600).label(1, 0, 1.0f), "2");   // minutes
}

TEST(ScaleLines, PositionsAndLabels)
{
    GraphScale rec;
    rec.Top = 125;
    rec.MinusSpan = 25;
    rec.LineCount = 3;
    rec.LineValue = {-25, 0, 100};
    rec.LineStyle = {LineSolid, LineDotted, LineNoLabel};
    EXPECT_FLOAT_EQ(ScaleLineY(rec, 0), 150 - 125 / 300.0f);  // the bottom line is raised into the box
    EXPECT_EQ(ScaleLineY(rec, 2), 25);
    EXPECT_FALSE(ScaleLineDotted(rec, 0));
    EXPECT_TRUE(ScaleLineDotted(rec, 1));
    EXPECT_FALSE(ScaleLineDotted(rec, 2));
    // Labels half a line above their line on a box 7200 twips high at 330.
    EXPECT_FLOAT_EQ(ScaleLabelTop(rec, 1, 330, 7200), 330 + 125 * 7200 / 150.0f - 100);
    EXPECT_EQ(ScaleLabelText(1.25f, "0.00"), "  1.25");
    EXPECT_EQ(ScaleLabelText(-12345.5f, "0.00"), "345.50");  // longer texts keep their last six
    EXPECT_EQ(ScaleLabelFormat(rec, 0.2), "0.0");
    EXPECT_EQ(ScaleLabelFormat(rec, 4), "");
    // A limit line at 0 sits at the top's height, one at the top at the upper edge.
    EXPECT_FLOAT_EQ(LimitLineY(rec, 150, 0), 125);
    EXPECT_FLOAT_EQ(LimitLineY(rec, 150, 125), 0);
}

TEST(GraphRoom, TheGraphTakesTheExtraRoomAndTheRestFollowsItsEdge)
{
    // A window smaller than its base size takes nothing from the graph.
    EXPECT_EQ(ExtraRoom({700, 500}, {892, 720}), QSize(0, 0));
    const QSize extra = ExtraRoom({1292, 1020}, {892, 720});
    EXPECT_EQ(extra, QSize(400, 300));
    // Placed by where they sit: the graph, the readout right of it (at its edge too), the page
    // label under it, the scroll bar under it and as wide, the debug label in the left corner.
    const struct {
        QRect twips;
        bool wide;
        QRect placed;
    } cases[] = {
        {GraphAreaTwips, false, {120, 120, 9300 + 400, 8250 + 300}},
        {{9600, 120, 3600, 900}, false, {9600 + 400, 120, 3600, 900}},
        {{9420, 8730, 100, 100}, false, {9420 + 400, 8730, 100, 100}},
        {{900, 8730, 2400, 270}, false, {900, 8730 + 300, 2400, 270}},
        {{900, 8430, 8040, 255}, true, {900, 8430 + 300, 8040 + 400, 255}},
        {{0, 8370, 195, 270}, false, {0, 8370 + 300, 195, 270}},
        {{0, 8000, 100, 100}, false, {0, 8000, 100, 100}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Placed(c.twips, AnchorOf(c.twips, c.wide), extra), c.placed)
            << c.twips.x() << ',' << c.twips.y();
        EXPECT_EQ(Placed(c.twips, AnchorOf(c.twips, c.wide), QSize(0, 0)), c.twips);
    }
}

TEST(Pages, TheCursorsPageTheScrollBarAndTheLimits)
{
    EXPECT_EQ(PageStartForCursor(95, 20, 200), 80);
    EXPECT_EQ(PageStartForCursor(95, 20, 70), 0);  // that page lies beyond the data
    EXPECT_EQ(PageStartForCursor(-1, 20, 200), 0);
    EXPECT_EQ(PageStartForCursor(25, 12.5f, 200), 25);
    EXPECT_EQ(PageStartOfScroll(2, 20), 40);
    EXPECT_EQ(PageStartOfScroll(3, 12.5f), 36);  // the span rounds half to even
    EXPECT_TRUE(CursorOnPage(40, 40, 20));
    EXPECT_TRUE(CursorOnPage(60, 40, 20));
    EXPECT_FALSE(CursorOnPage(61, 40, 20));
    EXPECT_FALSE(CursorOnPage(-1, 0, 20));
    EXPECT_TRUE(PageTooShortOrTooMany(0, 10.9f));
    EXPECT_FALSE(PageTooShortOrTooMany(360000, 11));
    EXPECT_TRUE(PageTooShortOrTooMany(360000, 10.98f));
    EXPECT_TRUE(PageTooShortOrTooMany(360001, 10.986f));

    PageInfo p = SetPageInfo(0, 44, 20);
    EXPECT_EQ(p.start, 0);
    EXPECT_EQ(p.nowPage, 0);
    EXPECT_EQ(p.endPage, 2);
    EXPECT_EQ(SetPageInfo(0, -1, 20).start, -1);
    EXPECT_EQ(SetPageInfo(40, 44, 20).nowPage, 2);
}

// The page model walks those rules with one state: 10 ms and 2 s pages of 200 samples.
TEST(Pages, TheModelFollowsTheCursorAndTheNewSamples)
{
    PageModel m;
    m.setSamplingMs(10);
    m.setPageSeconds(2);
    m.placeCursor(450);
    m.followCursor(1000);
    EXPECT_EQ(m.start(), 400);
    EXPECT_TRUE(m.cursorOnPage());
    EXPECT_FLOAT_EQ(m.cursorX(1000), 250);
    EXPECT_EQ(m.indexAt(12.7, 1000), 412);
    m.setPageSeconds(1);  // the page holding the cursor again
    m.followCursor(1000);
    EXPECT_EQ(m.start(), 400);
    EXPECT_EQ(m.lastShown(1000), 500);
    m.take(m.stepFor(501, false));
    EXPECT_EQ(m.start(), 500);
    EXPECT_EQ(m.stepFor(601, true).step, PageStep::ZoomOut);
    m.scrollTo(3);
    EXPECT_EQ(m.start(), 300);
    EXPECT_FALSE(m.cursorOnPage());

    // The arrow keys move both cursors, as far as the data lets the one ahead go; the page follows.
    m.placeSecondCursor(990);
    m.moveCursors(1, 1000);
    EXPECT_EQ(m.cursor(), 451);
    EXPECT_EQ(m.secondCursor(), 991);
    EXPECT_EQ(m.start(), 400);
    m.moveCursors(20, 1000);
    EXPECT_EQ(m.secondCursor(), 999);
    EXPECT_EQ(m.cursor(), 459);
    m.moveCursors(-500, 1000);
    EXPECT_EQ(m.cursor(), 0);
    EXPECT_EQ(m.secondCursor(), 540);
    EXPECT_EQ(m.start(), 0);
    m.removeCursor();  // the interval goes with the first cursor
    EXPECT_FALSE(m.hasInterval());
    EXPECT_EQ(m.secondCursor(), -1);
}

namespace {

// An image of the size with what `draw` draws in a one-pixel blue pen.
template <class Draw>
QImage drawn(QSize size, Draw&& draw)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QPen(Qt::blue, 0));
    draw([&](QPointF a, QPointF b) { p.drawLine(a, b); });
    return img;
}

long differingPixels(const QImage& a, const QImage& b)
{
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

}  // namespace

TEST(ReduceToColumns, DrawsTheSamePixelsAsEverySegment)
{
    const QSize size(536, 480);
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    struct Shape {
        const char* name;
        int samples;
        std::function<float(int)> value;
    };
    const Shape shapes[] = {
        {"noisy sine", 200000, [&](int i) { return 60 + 40 * std::sin(float(i) / 9000) + noise(rng); }},
        {"flat", 50000, [](int) { return 20.0f; }},
        {"spikes", 100000, [](int i) { return i % 997 == 0 ? 120.0f : (i % 1499 == 0 ? -20.0f : 10.0f); }},
        {"steps", 30000, [](int i) { return float((i / 3000) % 5) * 25; }},
        {"one sample per column", 536, [&](int i) { return 50 + 30 * std::sin(float(i) / 20) + noise(rng); }},
        {"a few samples per column", 1500, [&](int) { return 50 + noise(rng) * 5; }},
        {"far beyond the box", 20000,
         [](int i) { return i % 1000 == 0 ? 1e30f : (i % 1000 == 500 ? -1e30f : 30.0f); }},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        std::vector<float> v(std::size_t(s.samples));
        for (int i = 0; i < s.samples; ++i)
            v[std::size_t(i)] = s.value(i);
        const double sx = size.width() / (double(s.samples) * 1.002);
        struct Range {
            std::int32_t first, base;
            float k;
        };
        // A whole page, a page starting inside the data, a polyline starting after the page start,
        // and a negative coefficient that turns the line upside down.
        for (const Range r : {Range{0, 0, 1}, Range{0, s.samples / 4, 1},
                              Range{s.samples / 3, s.samples / 4, 1}, Range{0, 0, -0.5f}}) {
            const PolylineMap m{sx, -double(r.base) * sx, size.height() / 150.0, r.k > 0 ? 125.0f : 0.0f,
                                r.k};
            const std::int32_t last = s.samples - 1;
            // Every segment on its own, as a page with few samples is drawn, and the reduction.
            const QImage plain = drawn(size, [&](auto line) {
                for (std::int32_t i = r.first + 1; i <= last; ++i)
                    if (i - r.base > 0)
                        line(QPointF(double(i - 1) * m.scaleX + m.offX, m.y(v[std::size_t(i - 1)])),
                             QPointF(double(i) * m.scaleX + m.offX, m.y(v[std::size_t(i)])));
            });
            const QImage reduced =
                drawn(size, [&](auto line) { ReduceToColumns(v.data(), r.first, last, r.base, m, line); });
            // Where a short segment rounds into the next pixel column a pixel may differ: at most one
            // in two hundred of those drawn, never a line (a missing stroke or join costs hundreds).
            const long drawnPixels = differingPixels(plain, drawn(size, [](auto) {}));
            EXPECT_LE(differingPixels(plain, reduced), std::max(4L, drawnPixels / 200))
                << "from " << r.first << " on page " << r.base << " k " << r.k << ", " << drawnPixels
                << " drawn";
        }
    }
}

TEST(ReduceToColumns, NothingToJoinOrNoImageDrawsNothing)
{
    std::vector<float> v(100000, 5.0f);
    int strokes = 0;
    // Nothing to join, or no image to draw on: no stroke, and nothing read before `first`.
    ReduceToColumns(v.data(), 0, 0, 0, {0.005, 0, 1, 10, 1}, [&](QPointF, QPointF) { ++strokes; });
    ReduceToColumns(v.data(), 5, 4, 0, {0.005, 0, 1, 10, 1}, [&](QPointF, QPointF) { ++strokes; });
    ReduceToColumns(v.data(), 0, 99999, 0, {0, 0, 1, 10, 1}, [&](QPointF, QPointF) { ++strokes; });
    EXPECT_EQ(strokes, 0);
}
