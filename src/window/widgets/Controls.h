// Small controls with the behaviour the handlers rely on: a label whose caption change runs a
// handler, and a Tag text that marks changes made by code.
#pragma once

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QTimer>

namespace tavin {

// A caption whose every change emits Change, as an edit by the user would. The text is shown by
// an inner QLabel that only this class can reach: Label is no QLabel, so no caller can change the
// caption through QLabel::setText past the signal. Frame, font, palette and background are the
// Label's own; the inner label inherits font and palette and is transparent to the mouse.
class Label : public QFrame {
    Q_OBJECT

public:
    explicit Label(const QString& name, const QString& caption = QString(), QWidget* parent = nullptr)
        : QFrame(parent), text_(caption), caption_(new QLabel(caption, this))
    {
        setObjectName(name);
        caption_->setObjectName(name + QStringLiteral("Caption"));
        caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // Sets the caption; a changed caption emits Change.
    void setText(const QString& text)
    {
        if (text == text_)
            return;
        text_ = text;
        if (live_)
            liveChanged();
        else
            caption_->setText(shown());
        Q_EMIT Change();
    }
    QString text() const { return text_; }

    // A caption too wide for its place is cut in the middle ("RQ4600_Da…140112.csv") on one line,
    // whole in the tool tip. text() stays the caption as set.
    void setElided()
    {
        elided_ = true;
        if (!live_)
            caption_->setText(shown());
    }

    // For a caption that changes many times a second (a count, a readout): the label draws it
    // itself over its own background, so a change repaints this label alone and lays nothing out.
    // Assistive technology reads the caption as the label's name.
    void setLive();
    // While a live label's caption runs (a measurement), its name is handed over at most once a
    // second, the last caption within a second: a count read aloud thirty times a second helps
    // nobody. Otherwise, and from the moment this is switched off, the name is the caption.
    void setNameThrottled(bool throttled);

    void setAlignment(Qt::Alignment alignment) { caption_->setAlignment(alignment); }
    Qt::Alignment alignment() const { return caption_->alignment(); }

    QString Tag;

Q_SIGNALS:
    void Change();

protected:
    void paintEvent(QPaintEvent* e) override;
    // The caption fills the space inside the frame, without margins. Placed by hand rather than
    // by a layout: a layout would make the caption's size a minimum and stretch a Label whose
    // text is wider than the place it was given.
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::Resize || e->type() == QEvent::ContentsRectChange) {
            caption_->setGeometry(contentsRect());
            if (elided_ && !live_)
                caption_->setText(shown());
        } else if (elided_ && !live_ && e->type() == QEvent::FontChange) {
            caption_->setText(shown());
        }
        return QFrame::event(e);
    }

private:
    // The caption as drawn.
    QString shown() const
    {
        return elided_ ? fontMetrics().elidedText(text_, Qt::ElideMiddle, caption_->width()) : text_;
    }

    void liveChanged();
    void handOverName();

    QString text_;
    bool elided_ = false;
    QLabel* caption_;
    bool live_ = false;
    bool throttled_ = false;
    QTimer* nameHeld_ = nullptr;  // live and throttled: runs for a second after the name was handed over
};

// A lamp: a sunken panel in one colour. Lit and put out several times a second, so a change
// repaints the panel alone and touches no palette.
class Lamp : public QFrame {
    Q_OBJECT

public:
    explicit Lamp(QWidget* parent = nullptr) : QFrame(parent)
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setColour(const QColor& c)
    {
        if (c == colour_)
            return;
        colour_ = c;
        update();
    }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor colour_ = palette().color(QPalette::Button);
};

// A menu click runs the handler, which alone decides the check mark: Qt's own toggle is undone.
template <class F>
void OnMenuClick(QAction* a, QObject* context, F handler)
{
    QObject::connect(a, &QAction::triggered, context, [a, handler] {
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        handler();
    });
}

// A control's background colour, set only when it changes.
void SetBackground(QWidget* w, const QColor& c);

// Gives a control the name that tests and screenshots find it by, and returns it.
template <class W>
W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

// Lays a window out before the window system first sees it, as the last step of its constructor:
// its minimum size then goes out with the window instead of as a change right after it appears
// (which the offscreen platform of the tests and the recorded demo cannot pass on, and says so).
inline void SettleLayout(QWidget* window)
{
    window->ensurePolished();
    if (QLayout* layout = window->layout())
        layout->activate();
}

}  // namespace tavin
