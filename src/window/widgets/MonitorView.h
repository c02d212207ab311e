// The console's monitor on screen: a view over the monitor's lines that paints only the lines in
// sight. A text box lays out every line it is given, which at a gauge's thousand chunks a second
// cost many times the decoding; this view costs the same whether ten lines came or a thousand.
// It follows the newest line unless the user scrolled up; Ctrl+C copies the whole monitor.
#pragma once

#include <QAbstractScrollArea>

namespace tavin {

class MonitorLines;

class MonitorView : public QAbstractScrollArea {
    Q_OBJECT

public:
    MonitorView(const MonitorLines& lines, QWidget* parent);

    // The lines changed: the scroll range follows, and the view shows the newest ones when it
    // was at the end.
    void linesChanged();
    // The monitor as a text box would hold it, lines joined by LF.
    QString toPlainText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int visibleLines() const;

    const MonitorLines& lines_;
};

}  // namespace tavin
