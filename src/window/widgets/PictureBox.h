// A drawing surface with a backing image: what is drawn stays until Cls, in user coordinates
// (ScaleWidth across, ScaleHeight down, origin top left), placed in twips. Line shapes are drawn
// over the image, never into it. Without a parent window it serves as an off-screen surface.
// Lines are collected and drawn into the image together; they reach the screen with the box's next
// repaint or at Refresh, which the window calls once per screen refresh together with its labels'
// updates. A gauge at 1 ms adds a thousand segments a second, and a repaint with its flush to the
// display for each would cost more than everything else.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

namespace tavin {

// Screen pixels and twips: 15 twips to the pixel.
constexpr int TwipsPerPixel = 15;
constexpr int PxFromTwips(int twips) { return twips / TwipsPerPixel; }

// A line shape over a picture: its ends in the picture's user coordinates.
struct LineShape {
    bool Visible = false;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    QColor BorderColor = Qt::black;
    Qt::PenStyle style = Qt::SolidLine;
    bool fullWidth = false;   // a horizontal line across the whole picture at Y1
    bool fullHeight = false;  // a vertical line over the whole picture at X1
};

class PictureBox : public QWidget {
    Q_OBJECT

public:
    // DrawStyle values.
    enum { vbSolid = 0, vbDot = 2 };

    explicit PictureBox(const QString& name, QWidget* parent = nullptr);

    // Placement and size in twips; the default user scale follows the size in twips.
    void setTwips(int left, int top, int width, int height);
    void setTwips(const QRect& twips) { setTwips(twips.x(), twips.y(), twips.width(), twips.height()); }
    // Placement and size in twips, the user scale kept: what is placed in it keeps its place in the
    // picture (the picture is cleared; its owner draws it again).
    void placeTwips(const QRect& twips);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    float ScaleWidth = 1.0f;
    float ScaleHeight = 1.0f;
    float CurrentX = 0.0f;
    float CurrentY = 0.0f;
    int DrawStyle = vbSolid;
    QColor BackColor = QColor(255, 255, 255);
    QColor ForeColor = QColor(0, 0, 0);

    void setFontName(const QString& family, int pointSize);

    // Clears the image to the background colour; CurrentX/Y return to 0.
    void Cls();
    // Draws a line between two points in user coordinates with a one-pixel pen.
    void Line(float x1, float y1, float x2, float y2, const QColor& colour);
    // Prints text with its top left at CurrentX/CurrentY; CurrentY moves one line down.
    void Print(const QString& text);
    float TextWidth(const QString& text) const;
    float TextHeight(const QString& text) const;

    // Shows the lines drawn since the last repaint.
    void Refresh();

    // Line shapes drawn over the image.
    LineShape* addShape(const QString& name);
    // Repaints after a shape changed.
    void shapesChanged() { update(); }

    // The texts printed since the last Cls, where they were printed (user units).
    struct Printed {
        QString text;
        float x, y;
    };
    const QList<Printed>& printed() const { return printed_; }

    // Lines drawn from the next Cls on are kept as well as drawn, for drawVector; off by default,
    // so that a measurement's segments cost nothing more.
    void keepLines(bool keep) { keep_ = keep; }
    // What was drawn since the last Cls (the lines only while kept), the shapes over it, as
    // vectors: for an SVG whose grid is lines and whose labels are text.
    void drawVector(QPainter& p) const;
    // The visible shapes, in the widget's pixels.
    void drawShapes(QPainter& p) const;

    // The image with every line drawn so far.
    const QImage& image();
    // For drawing many points at once in pixels: the image, and the area to show again after.
    QImage& canvas();
    void updateArea(const QRect& px) { update(px); }
    // Pixel position of a user coordinate (in the box's pixels; on a high-resolution screen the
    // image has more, its device pixel ratio says how many).
    double toPxX(float x) const { return double(x) * area_.width() / double(ScaleWidth); }
    double toPxY(float y) const { return double(y) * area_.height() / double(ScaleHeight); }

    // A pixel position in user coordinates.
    QPointF toUser(QPointF px) const
    {
        return {px.x() * double(ScaleWidth) / std::max(1, width()),
                px.y() * double(ScaleHeight) / std::max(1, height())};
    }

Q_SIGNALS:
    // The mouse in user coordinates, as the picture's own events.
    void MouseDown(Qt::MouseButton button, float x, float y);
    void MouseMove(float x, float y);
    void MouseUp(Qt::MouseButton button, float x, float y);
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The image for the box's size, at the screen's resolution (an off-screen box at one pixel a
    // pixel: the printed sheet is the same on every screen).
    void resizeImage();
    // Draws the collected lines into the image (not while another painter holds it: a long
    // polyline lets events run, and the lines wait for the next call).
    void drawPending();

    struct PendingLine {
        QPointF a, b;
        QRgb colour;
        bool dotted;
    };
    // Lines drawn since the last drawPending, and the pixels they touch that the screen has not
    // been told about yet.
    std::vector<PendingLine> pending_;
    QRect dirty_;

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    QImage image_;
    QSize area_;  // the image's size in the box's pixels
    QList<Printed> printed_;
    struct KeptLine {
        float x1, y1, x2, y2;
        QRgb colour;
        bool dotted;
    };
    bool keep_ = false;
    std::vector<KeptLine> kept_;
    QList<std::pair<QString, std::shared_ptr<LineShape>>> shapes_;
};

}  // namespace tavin
