#include "window/dialogs/frmPrint.h"

#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/widgets/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace tavin {

namespace {

// The page length "300秒(5分)" that all-data printing uses.
constexpr int AllDataPageIndex = 8;

}  // namespace

frmPrint::frmPrint(std::function<PrinterList()> printers, PrintState choices, Prompts* prompts,
                   QWidget* parent)
    : QDialog(parent), Frame1(named(new QGroupBox(QStringLiteral("プリンタ"), this), "Frame1")),
      cboPriSet(named(new QComboBox(Frame1), "cboPriSet")),
      lblPriName(named(new QLabel(Frame1), "lblPriName")),
      lblPriport(named(new QLabel(Frame1), "lblPriport")),
      cmdPriProperty(DialogButton(QStringLiteral("プロパティ"), QStringLiteral("cmdPriProperty"), Frame1)),
      chkAll1Page(named(new QCheckBox(QStringLiteral("全データ印刷"), this), "chkAll1Page")),
      chkPrintTate(named(new QCheckBox(QStringLiteral("A4縦で出力"), this), "chkPrintTate")),
      cmdPrintOK(DialogButton(QStringLiteral("OK"), QStringLiteral("cmdPrintOK"), this)),
      cmdPrintCancel(DialogButton(QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("cmdPrintCancel"), this)),
      printers_(std::move(printers)), choices_(std::move(choices)), prompts_(prompts)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("印刷"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    cmdPrintOK->setDefault(true);

    auto* printer = new QGridLayout(Frame1);
    printer->addWidget(cboPriSet, 0, 0);
    printer->addWidget(cmdPriProperty, 0, 1);
    printer->addWidget(lblPriName, 1, 0, 1, 2);
    printer->addWidget(lblPriport, 2, 0, 1, 2);
    printer->setColumnStretch(0, 1);
    cboPriSet->setMinimumWidth(260);
    lblPriport->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame1, 0, 0, 1, 3);
    grid->addWidget(chkAll1Page, 1, 0, 1, 3);
    grid->addWidget(chkPrintTate, 2, 0, 1, 3);
    grid->setRowMinimumHeight(3, 12);
    grid->setColumnStretch(0, 1);
    grid->addWidget(cmdPrintOK, 4, 1);
    grid->addWidget(cmdPrintCancel, 4, 2);

    Form_Load();
    connect(cboPriSet, &QComboBox::activated, this, &frmPrint::cboPriSet_Click);
    connect(cmdPriProperty, &QPushButton::clicked, this, &frmPrint::cmdPriProperty_Click);
    connect(chkAll1Page, &QCheckBox::toggled, this, &frmPrint::chkAll1Page_Click);
    connect(chkPrintTate, &QCheckBox::toggled, this, &frmPrint::chkPrintTate_Click);
    connect(cmdPrintOK, &QPushButton::clicked, this, &frmPrint::cmdPrintOK_Click);
    connect(cmdPrintCancel, &QPushButton::clicked, this, &QDialog::reject);
    SettleLayout(this);
}

void frmPrint::Form_Load()
{
    const PrinterList printers = printers_();
    for (const PrinterEntry& p : printers.printers)
        cboPriSet->addItem(p.name);
    showCurrentPrinter(printers);
}

int frmPrint::pageLengthIndex(int current) const { return choices_.PrintAll ? AllDataPageIndex : current; }

void frmPrint::showCurrentPrinter(const PrinterList& printers)
{
    const PrinterEntry* current = printers.current(choices_.CurrentPrinter);
    const PrinterEntry shown = current ? *current : PrinterEntry();
    cboPriSet->setCurrentIndex(cboPriSet->findText(shown.name));
    lblPriName->setText(QStringLiteral("種類：　") + shown.name);
    lblPriport->setText(QStringLiteral("場所：　") + shown.port);
}

void frmPrint::cboPriSet_Click()
{
    // The list is as it was when the dialog opened: a queue removed since then is not taken.
    const PrinterList printers = printers_();
    const QString wanted = cboPriSet->currentText();
    for (const PrinterEntry& p : printers.printers)
        if (p.name == wanted)
            choices_.CurrentPrinter = wanted;
    showCurrentPrinter(printers);
}

void frmPrint::cmdPriProperty_Click()
{
    // Only a queue that still exists has settings of its own; the file printer has none.
    const PrinterList printers = printers_();
    const QString name = cboPriSet->currentText();
    for (const PrinterEntry& p : printers.printers)
        if (p.name == name && !p.file && prompts_)
            prompts_->printerProperties(name, choices_.QueueOptions[name]);
}

void frmPrint::chkAll1Page_Click() { chkPrintTate->setEnabled(!chkAll1Page->isChecked()); }

void frmPrint::chkPrintTate_Click() { chkAll1Page->setEnabled(!chkPrintTate->isChecked()); }

void frmPrint::cmdPrintOK_Click()
{
    choices_.PrintPortrait = chkPrintTate->isChecked();
    choices_.PrintAll = chkAll1Page->isChecked();
    accept();
}

}  // namespace tavin
