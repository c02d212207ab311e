#include "window/widgets/MonitorView.h"

#include "core/serial/Console.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace tavin {

MonitorView::MonitorView(const MonitorLines& lines, QWidget* parent)
    : QAbstractScrollArea(parent), lines_(lines)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(u'0'));
    horizontalScrollBar()->setRange(0, 0);
}

int MonitorView::visibleLines() const
{
    return std::max(1, viewport()->height() / fontMetrics().lineSpacing());
}

void MonitorView::linesChanged()
{
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    bar->setRange(0, std::max(0, int(lines_.lines().size()) - visibleLines()));
    bar->setPageStep(visibleLines());
    if (atEnd)
        bar->setValue(bar->maximum());
    // Dumps have a fixed width: the widest line decides the horizontal range.
    const int wide =
        fontMetrics().horizontalAdvance(lines_.lines().isEmpty() ? QString() : lines_.lines().last());
    horizontalScrollBar()->setRange(
        0, std::max(horizontalScrollBar()->maximum(), wide - viewport()->width() + 8));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

QString MonitorView::toPlainText() const { return lines_.lines().join(u'\n'); }

void MonitorView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const QFontMetrics m = fontMetrics();
    const QStringList& lines = lines_.lines();
    const int first = verticalScrollBar()->value();
    const int last = std::min<int>(int(lines.size()), first + visibleLines() + 1);
    const int x = 4 - horizontalScrollBar()->value();
    for (int i = first; i < last; ++i)
        p.drawText(x, (i - first) * m.lineSpacing() + m.ascent() + 2, lines[i]);
}

void MonitorView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    linesChanged();
}

void MonitorView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(lines_.text());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace tavin
