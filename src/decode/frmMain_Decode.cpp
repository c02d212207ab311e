// The decoders' handlers on the main window: the core decodes, these write the labels and hand
// the value to the sample store.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "decode/Decoders.h"
#include "platform/Controls.h"
#include "platform/NumText.h"

#include <QAction>
#include <QApplication>
#include <QPalette>

namespace tavin {

namespace {

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QString unitName(char unit)
{
    switch (unit) {
    case 'M': return QStringLiteral("MPa");
    case 'k': return QStringLiteral("kPa");
    case 'P': return QStringLiteral("Pa");
    default: return QStringLiteral(" ");
    }
}

}  // namespace

void frmMain::setBackground(QWidget* w, const QColor& c)
{
    if (w->palette().color(QPalette::Window) == c)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

void frmMain::countRejected()
{
    lblBccErrCnt->setText(QString::number(std::int64_t(Val(lblBccErrCnt->text())) + 1));
}

void frmMain::showBccError(const Decoded& d, std::string_view text)
{
    lblBccErr->setText(latin(text) + QStringLiteral(" -> BCC Err ") + latin(d.bccReceived()) + u' ' +
                       QString::number(d.bccComputed, 16).toUpper());
    countRejected();
}

void frmMain::showBattery(std::int32_t level)
{
    if (level > 0 && level == BatteryLevel)
        return;  // shown already: most frames repeat the level
    BatteryLevel = level;
    if (level <= 0) {
        lblBattery->setText(QStringLiteral("-"));
        setBackground(lblBattery, QApplication::palette().color(QPalette::Button));
        return;
    }
    lblBattery->setText(FormatNumber(level / 10.0, "0.0"));
    const double shown = Val(lblBattery->text());
    setBackground(lblBattery, shown >= 8.0 ? QColor(0, 255, 255) : shown >= 7.0 ? QColor(255, 255, 0) : QColor(255, 0, 0));
}

// The reference character; most frames repeat it, and a label only changes when it does.
void frmMain::showReference(char reference)
{
    const QString shown = lblGA->text();
    if (reference ? shown.size() == 1 && shown.front() == QLatin1Char(reference) : shown.isEmpty())
        return;
    lblGA->setText(reference ? QString(QLatin1Char(reference)) : QString());
}

// Writes what a decoder found and stores the value. Returns -1 for a rejected frame.
short frmMain::applyDecoded(const Decoded& d, std::string_view frame, const QString& procName)
{
    short result = 0;
    // A frame longer than a decoder keeps (kinds 4 and 5) is shown and read whole.
    const std::string_view text = frame.size() > Decoded::MaxText ? frame : d.text();
    Trap(st_.log, procName, [&] {
        if (d.overlong) {
            lblBccErr->setText(latin(frame) + QStringLiteral(" ?"));
            countRejected();
        }
        if (d.outcome == Decoded::Outcome::BccError) {
            showBccError(d, text);
            result = -1;
            return;
        }
        if (d.outcome != Decoded::Outcome::Value)
            return;
        if (d.batteryRead)
            showBattery(d.battery);
        const std::int32_t index = st_.store.g_DataCnt;
        SetDispFormat(index, DispFormat, text);
        if (d.setsUnit && mnuTaniAuto->isChecked())
            lblTani->setText(unitName(d.unit));
        float value = d.value;
        if (d.setsReference)
            showReference(d.reference);
        GraphDispAndDataSave(value, index);
    });
    return result;
}

short frmMain::RecvAnalize_VRT_RQ(std::string_view p_strRecv)
{
    const Decoded d = DecodeVrtRq(p_strRecv);
    if (d.outcome == Decoded::Outcome::Ignored)
        return p_strRecv.size() > Decoded::MaxText ? -1 : 0;
    return applyDecoded(d, p_strRecv, QStringLiteral("RecvAnalize_VRT_RQ"));
}

short frmMain::RecvAnalize_QZ(std::string_view p_strRecv)
{
    return applyDecoded(DecodeQz(p_strRecv), p_strRecv, QStringLiteral("RecvAnalize_QZ"));
}

short frmMain::RecvAnalize_MW200(std::string_view p_strRecv)
{
    const Decoded d = DecodeMw200(p_strRecv);
    if (d.outcome != Decoded::Outcome::Value)
        return 0;
    // The receive lamp blinks at a hundredth of the frame rate for this fast gauge.
    ++RecvBlinkCnt;
    if (RecvBlinkCnt == 50) {
        setBackground(pctMonRecv, QApplication::palette().color(QPalette::Button));
    } else if (RecvBlinkCnt == 100) {
        setBackground(pctMonRecv, QColor(0, 255, 0));
        RecvBlinkCnt = 0;
    } else if (RecvBlinkCnt > 100) {
        RecvBlinkCnt = 0;
    }
    return applyDecoded(d, p_strRecv, QStringLiteral("RecvAnalize_MW200"));
}

}  // namespace tavin
