// The label the handlers follow: no caption change may pass its Change signal.
#include "window/widgets/Controls.h"

#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <type_traits>

using namespace tavin;

// Label offers no base class whose setText would change the caption without the signal.
static_assert(!std::is_convertible_v<Label*, QLabel*>);

TEST(Label, EveryCaptionChangeEmitsChangeOnceAndShows)
{
    Label l(QStringLiteral("lblTest"), QStringLiteral("0"));
    QSignalSpy changes(&l, &Label::Change);
    l.setText(QStringLiteral("0"));
    EXPECT_EQ(changes.count(), 0);
    l.setText(QStringLiteral("8.5"));
    l.setText(QStringLiteral("8.5"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(l.text(), "8.5");

    // A framed readout on a background colour, as the window places its labels: the colour fills
    // the inside of the frame and the caption is drawn on it.
    l.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l.setAlignment(Qt::AlignCenter);
    l.setAutoFillBackground(true);
    QPalette p = l.palette();
    p.setColor(QPalette::Window, QColor(0, 255, 255));
    l.setPalette(p);
    l.setGeometry(0, 0, 80, 30);
    const QImage shown = l.grab().toImage();
    EXPECT_EQ(shown.pixelColor(4, 4), QColor(0, 255, 255));
    l.setText(QString());
    EXPECT_EQ(changes.count(), 2);
    EXPECT_NE(l.grab().toImage(), shown);
}
