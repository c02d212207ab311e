// Judging what the graph shows: the second cursor that marks an interval with the first, the panel
// with the interval's figures (copied as text for a spreadsheet), and the last pressure-decay verdict
// shown large on the plot. It reads the cursors from the core's PageModel and the samples from the
// store; GUI thread only.
#pragma once

#include "core/trend/Evaluation.h"

#include <QObject>
#include <functional>
#include <optional>

class QLabel;

namespace tavin {

struct AppState;
class GraphView;
class PictureBox;
struct LineShape;

namespace Ui {
// The evaluation's controls, as the window's form holds them.
struct EvaluationControls {
    LineShape* lineCursor2 = nullptr;  // the interval's other end
    QLabel* lblInterval = nullptr;     // the interval's figures, on the plot
    QLabel* lblVerdict = nullptr;      // the last verdict with its figures, on the plot
};
}  // namespace Ui

class EvaluationView : public QObject {
    Q_OBJECT

public:
    // `plot`: the graph's plot area, on which the line and the panels live; `unit`: the unit shown.
    EvaluationView(AppState& state, GraphView& graph, PictureBox* plot, Ui::EvaluationControls& controls,
                   std::function<QString()> unit);

    // The second line and the panel as the cursors and the page stand; hidden without an interval.
    void showInterval();
    // The second cursor half a page after the first (or the page's last sample); false without a
    // first cursor to go with.
    bool placeSecondCursor();
    // The panel's figures, tab separated, on the clipboard; false without an interval.
    bool copyInterval();
    // The interval's figures; none without an interval.
    std::optional<IntervalStats> interval() const;

    void showVerdict(const DecayRecord& d);
    void clearVerdict();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QList<Figure>> figures(const IntervalStats& s) const;

    // What the interval's figures were worked out from, and them.
    struct Cached {
        std::int32_t first, second, count, generation;
        float keisu;
        double periodS;
        bool operator==(const Cached&) const = default;
    };
    struct Figures {
        Cached key;
        IntervalStats stats;
        QList<QList<Figure>> figures;
    };
    mutable std::optional<Figures> cached_;

    AppState& st_;
    GraphView& graph_;
    PictureBox* plot_;
    Ui::EvaluationControls& ui;
    std::function<QString()> unit_;
};

}  // namespace tavin
