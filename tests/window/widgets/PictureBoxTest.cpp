// The drawing surface collects lines and draws them together: what is read or shown must be what
// was drawn, in the order it was drawn, whenever it is looked at.
#include "window/widgets/PictureBox.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace tavin;

namespace {

// A 100 x 100 pixel surface with one user unit a pixel.
struct Surface : PictureBox {
    Surface() : PictureBox(QStringLiteral("pctTest"))
    {
        setTwips(0, 0, 1500, 1500);
        ScaleWidth = ScaleHeight = 100;
    }
};

const QRgb White = qRgb(255, 255, 255), Blue = qRgb(0, 0, 255), Red = qRgb(255, 0, 0);

}  // namespace

TEST(PictureBox, CollectedLinesAppearInOrderWheneverTheImageIsRead)
{
    Surface g;
    g.Line(10, 50, 90, 50, Qt::blue);
    EXPECT_EQ(g.image().pixel(50, 50), Blue);
    g.Line(50, 10, 50, 90, Qt::blue);
    g.Line(50, 10, 50, 90, Qt::red);  // the later line wins where they cross
    EXPECT_EQ(g.image().pixel(50, 30), Red);

    // More lines than one batch holds, and a clear that drops what was not yet drawn.
    for (int i = 0; i < 5000; ++i)
        g.Line(float(i % 100), 0, float(i % 100), 5, Qt::blue);
    EXPECT_EQ(g.image().pixel(99, 2), Blue);
    g.Line(20, 20, 80, 80, Qt::blue);
    g.Cls();
    EXPECT_EQ(g.image().pixel(50, 50), White);
}

TEST(PictureBox, LinesWaitWhileAnotherPainterHoldsTheImage)
{
    // A long polyline paints into the image and lets events run meanwhile; lines that arrive then
    // are kept, not lost to a painter that cannot start.
    Surface g;
    QPainter holder(&g.canvas());
    g.Line(10, 50, 90, 50, Qt::blue);
    g.Refresh();
    holder.end();
    EXPECT_EQ(g.image().pixel(50, 50), Blue);
}
