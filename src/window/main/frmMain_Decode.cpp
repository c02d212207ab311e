// What the decoders found, on the main window: battery level and reference character.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QApplication>
#include <QPalette>

namespace tavin {

void frmMain::setBackground(QWidget* w, const QColor& c)
{
    if (w->palette().color(QPalette::Window) == c)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

void frmMain::showBattery(std::int32_t level)
{
    if (level <= 0) {
        ui.lblBattery->setText(QStringLiteral("-"));
        setBackground(ui.lblBattery, QApplication::palette().color(QPalette::Button));
        return;
    }
    ui.lblBattery->setText(FormatNumber(level / 10.0, "0.0"));
    const double shown = level / 10.0;
    setBackground(ui.lblBattery, shown >= 8.0   ? QColor(0, 255, 255)
                                 : shown >= 7.0 ? QColor(255, 255, 0)
                                                : QColor(255, 0, 0));
}

// The reference character; most frames repeat it, and a label only changes when it does.
void frmMain::showReference(char reference)
{
    const QString shown = ui.lblGA->text();
    if (reference ? shown.size() == 1 && shown.front() == QLatin1Char(reference) : shown.isEmpty())
        return;
    ui.lblGA->setText(reference ? QString(QLatin1Char(reference)) : QString());
}

}  // namespace tavin
