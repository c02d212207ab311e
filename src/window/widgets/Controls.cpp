#include "window/widgets/Controls.h"

#include <QPainter>

namespace tavin {

void SetBackground(QWidget* w, const QColor& c)
{
    if (w->palette().color(QPalette::Window) == c)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

void Label::setLive()
{
    if (live_)
        return;
    live_ = true;
    // The inner label draws nothing from now on: it keeps no caption that assistive technology,
    // walking the widget tree, could read as stale.
    caption_->hide();
    caption_->clear();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(text_);
    nameHeld_ = new QTimer(this);
    nameHeld_->setSingleShot(true);
    nameHeld_->setInterval(1000);
    connect(nameHeld_, &QTimer::timeout, this, [this] {
        if (accessibleName() != text_)
            handOverName();
    });
}

void Label::setNameThrottled(bool throttled)
{
    if (throttled == throttled_)
        return;
    throttled_ = throttled;
    if (!live_ || throttled)
        return;
    nameHeld_->stop();
    setAccessibleName(text_);
}

void Label::liveChanged()
{
    update(contentsRect());
    if (!nameHeld_->isActive())  // else handed over when the second is up
        handOverName();
}

void Label::handOverName()
{
    setAccessibleName(text_);
    if (throttled_)
        nameHeld_->start();
}

void Label::paintEvent(QPaintEvent* e)
{
    if (!live_) {
        QFrame::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.fillRect(rect(), palette().brush(backgroundRole()));
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), int(caption_->alignment()), text_);
    drawFrame(&p);
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour_);
    drawFrame(&p);
}

}  // namespace tavin
