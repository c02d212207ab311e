// The cursor on the real window: clicks on the graph, the readout panel, the blink, the zoom.
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tavin;

namespace {

class Cursor : public test::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        w->SelectSampling("100");  // ten samples a second: a 20 s page spans 200 samples
        for (int i = 0; i < 500; ++i) {
            float v = float(i);
            feedValue(v);
        }
        state->page.showFrom(0);
        w->pctGraph1_Paint();
        state->Settings.CursorInfo = 7;
    }
    // A click at graph x (samples from the page's start).
    void click(Qt::MouseButton button, double x)
    {
        const int px =
            int(x * w->controls().pctGraph1->width() / double(w->controls().pctGraph1->ScaleWidth));
        QTest::mouseClick(w->controls().pctGraph1, button, {}, QPoint(px, 20));
    }
    QString panel() const
    {
        return w->controls().pctLabelWork->printed().isEmpty()
                   ? QString()
                   : w->controls().pctLabelWork->printed().last().text;
    }
};

}  // namespace

TEST_F(Cursor, ALeftClickPlacesTheCursorAndItsReadoutARightClickRemovesBoth)
{
    click(Qt::LeftButton, 5.5);
    EXPECT_EQ(state->page.cursor(), 5);  // the whole part counts
    EXPECT_TRUE(w->controls().lineCursor->Visible);
    EXPECT_FALSE(w->controls().pctLabelWork->isHidden());
    EXPECT_TRUE(panel().startsWith("▼[5]")) << panel().toStdString();
    EXPECT_TRUE(panel().contains("値:5"));

    // Near the right edge the readout runs to the left of the line.
    click(Qt::LeftButton, 199.5);
    EXPECT_EQ(state->page.cursor(), 199);
    EXPECT_TRUE(panel().endsWith("▼")) << panel().toStdString();
    const double line =
        199.5 * w->controls().pctGraph1->width() / double(w->controls().pctGraph1->ScaleWidth);
    EXPECT_LT(w->controls().pctLabelWork->x(), line);  // the panel ends at the line, its marker on it
    EXPECT_GT(w->controls().pctLabelWork->x() + w->controls().pctLabelWork->width(), line);

    click(Qt::RightButton, 3);
    EXPECT_EQ(state->page.cursor(), -1);
    EXPECT_FALSE(w->controls().lineCursor->Visible);
    EXPECT_TRUE(w->controls().pctLabelWork->isHidden());

    // Right of the data on the last page: no cursor, and no stale readout either.
    click(Qt::LeftButton, 7);
    state->page.showFrom(400);
    click(Qt::LeftButton, 150);
    EXPECT_EQ(state->page.cursor(), -1);
    EXPECT_TRUE(w->controls().pctLabelWork->isHidden());
}

TEST_F(Cursor, TheToolTipFollowsTheMouseAndTheLineBlinksOnItsPage)
{
    Q_EMIT w->controls().pctGraph1->MouseMove(2.5f, 0);
    EXPECT_TRUE(w->controls().pctGraph1->toolTip().startsWith("[2]"))
        << w->controls().pctGraph1->toolTip().toStdString();
    Q_EMIT w->controls().pctGraph1->MouseMove(600, 0);  // right of the data
    EXPECT_TRUE(w->controls().pctGraph1->toolTip().isEmpty());

    click(Qt::LeftButton, 4);
    test::Fire(w->controls().Timer4);
    EXPECT_FALSE(w->controls().lineCursor->Visible);
    test::Fire(w->controls().Timer4);
    EXPECT_TRUE(w->controls().lineCursor->Visible);
    w->controls().chkCursorOn->setChecked(false);
    test::Fire(w->controls().Timer4);
    EXPECT_TRUE(w->controls().lineCursor->Visible);  // the blink acts only with "カーソルON"
    w->controls().chkCursorOn->setChecked(true);
    state->Settings.CursorInfo = 3;  // no blink
    test::Fire(w->controls().Timer4);
    EXPECT_TRUE(w->controls().lineCursor->Visible);

    state->page.showFrom(200);  // paged away: hidden at the next tick, with its readout
    test::Fire(w->controls().Timer4);
    EXPECT_FALSE(w->controls().lineCursor->Visible);
    EXPECT_TRUE(w->controls().pctLabelWork->isHidden());
}

TEST_F(Cursor, AZoomDuringAMeasurementKeepsTheNewestSampleInViewAndTheCursorWhereItWas)
{
    ASSERT_EQ(w->controls().cmdZoom[1]->text(), "拡大");
    ASSERT_EQ(w->controls().cmdZoom[0]->text(), "縮小");
    const int page = w->controls().cmbPageSec->currentIndex();
    w->controls().cmdZoom[1]->click();
    EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), page - 1);
    w->controls().cmdZoom[0]->click();
    EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), page);

    startWithoutPort();
    for (int i = 0; i < 500; ++i) {
        float v = float(i);
        feedValue(v);
    }
    state->page.removeCursor();
    w->controls().cmdZoom[1]->click();  // shorter page: the page with sample 499 stays in view
    EXPECT_LE(state->page.start(), 499);
    EXPECT_GT(float(state->page.start()) + state->page.span(), 499.0f);
    EXPECT_EQ(state->page.cursor(), -1);  // no cursor appears that nobody placed

    w->controls().cmbPageSec->setCurrentIndex(w->controls().cmbPageSec->count() - 1);
    w->controls().cmdZoom[0]->click();  // the longest already: nothing
    EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), w->controls().cmbPageSec->count() - 1);
}
