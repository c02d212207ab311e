#include "window/widgets/PictureBox.h"

#include <QMouseEvent>

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace tavin {

namespace {
// Lines collected before they are drawn into the image in any case: bounds the memory however
// long no repaint comes.
constexpr std::size_t LineBatch = 4096;
}  // namespace

PictureBox::PictureBox(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFontName(QStringLiteral("ＭＳ ゴシック"), 10);
    pending_.reserve(LineBatch);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = toUser(event->position());
    Q_EMIT MouseDown(event->button(), float(p.x()), float(p.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = toUser(event->position());
    Q_EMIT MouseMove(float(p.x()), float(p.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = toUser(event->position());
    Q_EMIT MouseUp(event->button(), float(p.x()), float(p.y()));
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent*) { Q_EMIT DblClick(); }

void PictureBox::Refresh()
{
    drawPending();
    if (!dirty_.isEmpty())
        update(dirty_);
    dirty_ = QRect();
}

void PictureBox::setFontName(const QString& family, int pointSize)
{
    QFont f(family, pointSize);
    f.setStyleHint(QFont::TypeWriter);
    // The described fonts are asked for by name; the Japanese Noto fonts stand in for them.
    f.setFamilies({family, QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")});
    setFont(f);
}

void PictureBox::setTwips(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ScaleWidth = float(width);
    ScaleHeight = float(height);
    const QRect r(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel);
    if (parentWidget())
        setGeometry(r);
    else
        resize(r.size());
    resizeImage();
}

void PictureBox::placeTwips(const QRect& twips)
{
    const float w = ScaleWidth, h = ScaleHeight;
    setTwips(twips);
    ScaleWidth = w;
    ScaleHeight = h;
}

void PictureBox::resizeImage()
{
    const qreal dpr = parentWidget() ? devicePixelRatioF() : 1.0;
    if (size().isEmpty() || (size() == area_ && dpr == image_.devicePixelRatio()))
        return;
    pending_.clear();
    dirty_ = QRect();
    area_ = size();
    image_ = QImage(area_ * dpr, QImage::Format_RGB32);
    image_.setDevicePixelRatio(dpr);
    image_.fill(BackColor);
}

void PictureBox::resizeEvent(QResizeEvent*) { resizeImage(); }

void PictureBox::Cls()
{
    pending_.clear();
    dirty_ = QRect();
    image_.fill(BackColor);
    printed_.clear();
    kept_.clear();
    CurrentX = 0;
    CurrentY = 0;
    update();
}

void PictureBox::Line(float x1, float y1, float x2, float y2, const QColor& colour)
{
    if (image_.isNull() || ScaleWidth == 0 || ScaleHeight == 0)
        return;
    const QPointF a(toPxX(x1), toPxY(y1)), b(toPxX(x2), toPxY(y2));
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y()))
        return;
    pending_.push_back({a, b, colour.rgb(), DrawStyle == vbDot});
    if (keep_)
        kept_.push_back({x1, y1, x2, y2, colour.rgb(), DrawStyle == vbDot});
    dirty_ |= QRectF(a, b).normalized().toAlignedRect().adjusted(-2, -2, 2, 2);
    if (pending_.size() >= LineBatch)
        drawPending();
}

void PictureBox::drawPending()
{
    if (pending_.empty() || image_.paintingActive())
        return;
    QPainter p(&image_);
    QPen pen(QColor::fromRgb(pending_.front().colour), 0,
             pending_.front().dotted ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    for (const PendingLine& l : pending_) {
        if (l.colour != pen.color().rgb() || l.dotted != (pen.style() == Qt::DotLine)) {
            pen.setColor(QColor::fromRgb(l.colour));
            pen.setStyle(l.dotted ? Qt::DotLine : Qt::SolidLine);
            p.setPen(pen);
        }
        p.drawLine(l.a, l.b);
    }
    pending_.clear();
}

const QImage& PictureBox::image()
{
    drawPending();
    return image_;
}

QImage& PictureBox::canvas()
{
    drawPending();
    return image_;
}

void PictureBox::Print(const QString& text)
{
    if (image_.isNull())
        return;
    printed_.append({text, CurrentX, CurrentY});
    drawPending();
    QPainter p(&image_);
    p.setFont(font());
    p.setPen(ForeColor);
    const QFontMetricsF m(font());
    const QPointF at(toPxX(CurrentX), toPxY(CurrentY) + m.ascent());
    p.drawText(at, text);
    p.end();
    update(
        QRectF(at.x(), at.y() - m.ascent(), m.horizontalAdvance(text) + 2, m.height() + 2).toAlignedRect());
    CurrentY += TextHeight(text);
}

float PictureBox::TextWidth(const QString& text) const
{
    const double px = QFontMetricsF(font()).horizontalAdvance(text);
    return area_.width() ? float(px * double(ScaleWidth) / area_.width()) : 0.0f;
}

float PictureBox::TextHeight(const QString&) const
{
    const double px = QFontMetricsF(font()).height();
    return area_.height() ? float(px * double(ScaleHeight) / area_.height()) : 0.0f;
}

LineShape* PictureBox::addShape(const QString& name)
{
    shapes_.append({name, std::make_shared<LineShape>()});
    return shapes_.last().second.get();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    drawPending();
    QPainter p(this);
    const qreal dpr = image_.devicePixelRatio();
    const QRectF r = event->rect();
    p.drawImage(r, image_, QRectF(r.topLeft() * dpr, r.size() * dpr));
    drawShapes(p);
}

void PictureBox::drawShapes(QPainter& p) const
{
    const double sx = width() / double(ScaleWidth), sy = height() / double(ScaleHeight);
    for (const auto& [name, s] : shapes_) {
        if (!s->Visible)
            continue;
        p.setPen(QPen(s->BorderColor, 0, s->style));
        const double x1 = s->fullWidth ? 0 : s->X1 * sx, x2 = s->fullWidth ? width() : s->X2 * sx;
        const double y1 = s->fullHeight ? 0 : s->Y1 * sy, y2 = s->fullHeight ? height() : s->Y2 * sy;
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }
}

void PictureBox::drawVector(QPainter& p) const
{
    const double sx = width() / double(ScaleWidth), sy = height() / double(ScaleHeight);
    p.fillRect(rect(), BackColor);
    for (const KeptLine& l : kept_) {
        p.setPen(QPen(QColor::fromRgb(l.colour), 1, l.dotted ? Qt::DotLine : Qt::SolidLine));
        p.drawLine(QPointF(l.x1 * sx, l.y1 * sy), QPointF(l.x2 * sx, l.y2 * sy));
    }
    p.setFont(font());
    p.setPen(ForeColor);
    const double ascent = QFontMetricsF(font()).ascent();
    for (const Printed& t : printed_)
        p.drawText(QPointF(t.x * sx, t.y * sy + ascent), t.text);
    drawShapes(p);
}

}  // namespace tavin
