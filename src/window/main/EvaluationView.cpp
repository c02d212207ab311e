#include "window/main/EvaluationView.h"

#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "window/main/GraphView.h"
#include "window/widgets/PictureBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>

namespace tavin {

namespace {

// A panel on the plot: readable over the grid and curves, hiding as little of them as it can.
QLabel* panel(const QString& name, PictureBox* plot)
{
    auto* label = new QLabel(plot);
    label->setObjectName(name);
    label->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 225); border: 1px solid #888; padding: 3px; }"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks go to the graph under it
    label->hide();
    return label;
}

constexpr int Margin = 6;  // pixels between a panel and the plot's edge

}  // namespace

EvaluationView::EvaluationView(AppState& state, GraphView& graph, PictureBox* plot,
                               Ui::EvaluationControls& controls, std::function<QString()> unit)
    : st_(state), graph_(graph), plot_(plot), ui(controls), unit_(std::move(unit))
{
    ui.lineCursor2 = plot_->addShape(QStringLiteral("lineCursor2"));
    ui.lineCursor2->BorderColor = QColor(200, 0, 200);
    ui.lineCursor2->style = Qt::DashLine;
    ui.lineCursor2->fullHeight = true;
    ui.lblInterval = panel(QStringLiteral("lblInterval"), plot_);
    ui.lblVerdict = panel(QStringLiteral("lblVerdict"), plot_);
    ui.lblVerdict->setTextFormat(Qt::RichText);
    connect(&graph_, &GraphView::cursorsMoved, this, &EvaluationView::showInterval);
    plot_->setFocusPolicy(Qt::ClickFocus);
    plot_->installEventFilter(this);
}

std::optional<IntervalStats> EvaluationView::interval() const
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const PageModel& page = st_.page;
    if (!graph_.cursorShown() || !page.hasInterval() || page.cursor() >= count ||
        page.secondCursor() >= count)
        return std::nullopt;
    // Worked out again only when the interval or what it reads changed: a repaint or a scroll step
    // does not go over a long interval again.
    const Cached key{page.cursor(), page.secondCursor(),
                     count,         st_.store.g_FileNo.load(std::memory_order_relaxed),
                     st_.g_Keisu,   page.periodS()};
    if (!cached_ || !(cached_->key == key)) {
        const IntervalStats s =
            StatsOver(st_.store.g_Datas.data(), count, key.first, key.second, key.keisu, key.periodS);
        cached_ = {key, s, figures(s)};
    }
    return cached_->stats;
}

QList<QList<Figure>> EvaluationView::figures(const IntervalStats& s) const
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const auto time = [&](std::int32_t i) {
        return SampleClockText(st_.store.g_DataTime.data(), count, i, st_.page.periodS() * 1000);
    };
    return IntervalFigures(s, time(s.first), time(s.last), unit_());
}

void EvaluationView::showInterval()
{
    // The verdict keeps to the plot's right half as the plot grows with the window.
    if (ui.lblVerdict->width() != plot_->width() / 2 && !ui.lblVerdict->isHidden()) {
        ui.lblVerdict->setFixedWidth(plot_->width() / 2);
        ui.lblVerdict->adjustSize();
    }
    ui.lblVerdict->move(plot_->width() - ui.lblVerdict->width() - Margin, Margin);
    const bool shown = interval().has_value();
    if (!shown && !ui.lineCursor2->Visible)
        return;  // nothing to take away: a measurement's repaints cost nothing here
    ui.lineCursor2->Visible = shown;
    ui.lblInterval->setVisible(shown);
    if (shown) {
        ui.lineCursor2->X1 = ui.lineCursor2->X2 = st_.page.secondCursorX(plot_->ScaleWidth);
        ui.lineCursor2->Y1 = 0;
        ui.lineCursor2->Y2 = plot_->ScaleHeight;
        ui.lblInterval->setText(IntervalPanelText(cached_->figures));
        ui.lblInterval->adjustSize();
        ui.lblInterval->move(Margin, plot_->height() - ui.lblInterval->height() - Margin);
    }
    plot_->shapesChanged();
}

bool EvaluationView::placeSecondCursor()
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    if (!st_.page.hasCursor() || st_.page.cursor() >= count)
        return false;
    const std::int32_t half = std::max<std::int32_t>(1, std::int32_t(st_.page.span() / 2));
    st_.page.placeSecondCursor(std::min(st_.page.cursor() + half, st_.page.lastShown(count)));
    showInterval();
    return true;
}

bool EvaluationView::copyInterval()
{
    const std::optional<IntervalStats> s = interval();
    if (!s)
        return false;
    QGuiApplication::clipboard()->setText(IntervalCopyText(cached_->figures));
    return true;
}

void EvaluationView::showVerdict(const DecayRecord& d)
{
    static const QHash<Verdict, QString> colours = {{Verdict::Ok, QStringLiteral("#008000")},
                                                    {Verdict::Ng, QStringLiteral("#d00000")},
                                                    {Verdict::TooShort, QStringLiteral("#606060")}};
    QString html = QStringLiteral("<div style='font-size:36pt; font-weight:bold; color:%1'>%2</div>")
                       .arg(colours.value(d.result.verdict), VerdictText(d.result.verdict).toHtmlEscaped());
    for (const QString& line : DecayReportLines(d))
        html += QStringLiteral("<div>%1</div>").arg(line.toHtmlEscaped());
    ui.lblVerdict->setText(html);
    // The verdict first, its figures under it, wrapped within the plot's right half.
    ui.lblVerdict->setWordWrap(true);
    ui.lblVerdict->setFixedWidth(plot_->width() / 2);
    ui.lblVerdict->adjustSize();
    ui.lblVerdict->show();
    showInterval();
}

void EvaluationView::clearVerdict() { ui.lblVerdict->hide(); }

// The arrow keys move both cursors a sample at a time; the page follows the first.
bool EvaluationView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != plot_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key != Qt::Key_Left && key != Qt::Key_Right) || !graph_.cursorShown())
        return QObject::eventFilter(watched, event);
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const std::int32_t start = st_.page.start();
    st_.page.moveCursors(key == Qt::Key_Left ? -1 : 1, count);
    if (st_.page.start() != start) {
        graph_.DispPageInfo(st_.page.start(), count - 1, true);
        graph_.paint();
    }
    graph_.MoveCursorLine();
    return true;
}

}  // namespace tavin
