#include "platform/Controls.h"

#include <QPainter>

namespace tavin {

void Label::setLive()
{
    if (live_)
        return;
    live_ = true;
    caption_->hide();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(text_);
    accessibleName_ = new QTimer(this);
    accessibleName_->setSingleShot(true);
    accessibleName_->setInterval(1000);
    connect(accessibleName_, &QTimer::timeout, this, [this] { setAccessibleName(text_); });
}

void Label::liveChanged()
{
    update(contentsRect());
    if (!accessibleName_->isActive())
        accessibleName_->start();
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
