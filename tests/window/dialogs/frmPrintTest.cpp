// The print dialog on the real window, answered through its own controls, with a CUPS queue that
// exists only in the list the test gives and the PDF file printer.
#include "window/dialogs/frmPrint.h"
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

using namespace tavin;

namespace {

class PrintDialog : public test::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        w->setInstalledPrinters([this] {
            PrinterList list = FilePrinterOnly();
            if (queueExists)
                list.printers.prepend(
                    {QStringLiteral("bench-queue"), QStringLiteral("ipp://bench/queue"), false});
            return list;
        });
        state->Settings.SaveDir = t.dir.path();
        w->controls().txtSaveFileName->setText(QStringLiteral("bench1"));
        w->SelectSampling(QStringLiteral("1000"));
        w->controls().cmbPageSec->setCurrentIndex(4);  // 20 s
        for (int i = 0; i < 900; ++i) {
            float v = float(i % 100) / 100.0f;
            feedValue(v);
        }
        // The second page on screen.
        state->page.showFrom(20);
        w->graph().DispPageInfo(20, state->store.g_DataCnt - 1, true);
        w->pctGraph1_Paint();
    }
    // The first time label under the graph: where the page on screen starts (s).
    QString firstTimeLabel() const
    {
        for (const auto& p : w->controls().pctGraphWork->printed())
            if (p.y > float(w->controls().pctGraph1->Top() + w->controls().pctGraph1->Height()))
                return p.text;
        return QString();
    }
    void expectClosedAsOpened(int pageIndex)
    {
        EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), pageIndex);
        // The screen shows the page that the scroll position names.
        EXPECT_EQ(state->page.start(), w->controls().HScroll1->value() * 20);
        EXPECT_EQ(firstTimeLabel(), QString::number(w->controls().HScroll1->value() * 20));
    }
    QStringList pdfs() const { return QDir(t.dir.path()).entryList({"*.pdf"}); }
    bool queueExists = true;
};

}  // namespace

TEST_F(PrintDialog, TheTwoOptionsExcludeEachOtherAndCancelPrintsNothing)
{
    whenShown<frmPrint>([this](frmPrint& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("印刷"));
        EXPECT_EQ(test::Control<QComboBox>(d, "cboPriSet")->count(), 2);
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriName")->text(),
                  QStringLiteral("種類：　PDFファイル"));  // no default queue
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriport")->text(), QStringLiteral("場所：　FILE:"));
        test::Control<QCheckBox>(d, "chkPrintTate")->setChecked(true);
        EXPECT_FALSE(test::Control<QCheckBox>(d, "chkAll1Page")->isEnabled());
        test::Control<QCheckBox>(d, "chkPrintTate")->setChecked(false);
        EXPECT_TRUE(test::Control<QCheckBox>(d, "chkAll1Page")->isEnabled());
        test::Control<QCheckBox>(d, "chkAll1Page")->setChecked(true);
        EXPECT_FALSE(test::Control<QCheckBox>(d, "chkPrintTate")->isEnabled());
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(shown, 1);
    expectClosedAsOpened(4);
    EXPECT_EQ(state->page.start(), 20);  // Cancel moves nothing
    EXPECT_TRUE(pdfs().isEmpty());
}

TEST_F(PrintDialog, AllDataPrintsWithFiveMinutePagesAndTheScreenFollowsTheScrollPositionAfterwards)
{
    whenShown<frmPrint>([](frmPrint& d) {
        test::Control<QCheckBox>(d, "chkAll1Page")->setChecked(true);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().cmdPrintOne->click();
    EXPECT_EQ(shown, 1);
    // The 300 s page moved the page start to the first page; back at 20 s it stays there, and
    // the screen, held from painting meanwhile, now shows that page and not the second.
    expectClosedAsOpened(4);
    EXPECT_EQ(firstTimeLabel(), QStringLiteral("0"));
    ASSERT_EQ(pdfs(), QStringList{"bench1-0001.pdf"});
    EXPECT_TRUE(state->print.PrintAll);
    EXPECT_FALSE(state->print.PrintPortrait);
    EXPECT_EQ(state->page.pageSeconds(), 20);
}

TEST_F(PrintDialog, OkInPortraitPrintsThePageOnScreenAndAnErrorStillClosesCleanly)
{
    whenShown<frmPrint>([](frmPrint& d) {
        test::Control<QCheckBox>(d, "chkPrintTate")->setChecked(true);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(pdfs(), QStringList{"bench1-0002.pdf"});
    EXPECT_TRUE(state->print.PrintPortrait);
    expectClosedAsOpened(4);

    // A save folder that cannot take the file: the job fails, the dialog closes as ever.
    t.write(QStringLiteral("blocked"), "a file where the folder should be");
    state->Settings.SaveDir = t.path(QStringLiteral("blocked"));
    whenShown<frmPrint>([](frmPrint& d) { test::Control<QPushButton>(d, "cmdPrintOK")->click(); });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(shown, 2);
    ASSERT_FALSE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(t.prompts.shown.last().text.contains(QStringLiteral("blocked")));
    expectClosedAsOpened(4);
}

TEST_F(PrintDialog, TheChosenQueueStaysTheProgramsPrinterAndAVanishedOneIsNotTaken)
{
    whenShown<frmPrint>([this](frmPrint& d) {
        test::Control<QComboBox>(d, "cboPriSet")->setCurrentText(QStringLiteral("bench-queue"));
        d.cboPriSet_Click();
        EXPECT_EQ(d.choices().CurrentPrinter, QStringLiteral("bench-queue"));
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriName")->text(), QStringLiteral("種類：　bench-queue"));
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriport")->text(),
                  QStringLiteral("場所：　ipp://bench/queue"));
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(state->print.CurrentPrinter, QStringLiteral("bench-queue"));  // kept, though cancelled

    // The next opening shows it; meanwhile the queue goes away.
    whenShown<frmPrint>([this](frmPrint& d) {
        EXPECT_EQ(test::Control<QComboBox>(d, "cboPriSet")->currentText(), QStringLiteral("bench-queue"));
        test::Control<QComboBox>(d, "cboPriSet")->setCurrentText(QStringLiteral("PDFファイル"));
        d.cboPriSet_Click();
        queueExists = false;
        test::Control<QComboBox>(d, "cboPriSet")->setCurrentText(QStringLiteral("bench-queue"));
        d.cboPriSet_Click();
        EXPECT_EQ(d.choices().CurrentPrinter, QStringLiteral("PDFファイル"));
        EXPECT_EQ(test::Control<QComboBox>(d, "cboPriSet")->currentText(), QStringLiteral("PDFファイル"));
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriName")->text(), QStringLiteral("種類：　PDFファイル"));
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(shown, 2);
}

TEST_F(PrintDialog, PropertiesOpenOnlyForAQueueThatExistsAndTheirChoicesAreKept)
{
    const QStringList duplex{"sides", "two-sided-long-edge", "copies", "2"};
    whenShown<frmPrint>([&](frmPrint& d) {
        test::Control<QPushButton>(d, "cmdPriProperty")->click();  // the file printer: nothing opens
        EXPECT_TRUE(t.prompts.properties.isEmpty());
        test::Control<QComboBox>(d, "cboPriSet")->setCurrentText(QStringLiteral("bench-queue"));
        d.cboPriSet_Click();
        t.prompts.chosen = duplex;
        test::Control<QPushButton>(d, "cmdPriProperty")->click();
        EXPECT_EQ(t.prompts.properties, QStringList{"bench-queue"});
        queueExists = false;
        test::Control<QPushButton>(d, "cmdPriProperty")->click();  // gone: nothing opens
        EXPECT_EQ(t.prompts.properties.size(), 1);
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(state->print.QueueOptions.value(QStringLiteral("bench-queue")), duplex);
}

TEST_F(PrintDialog, APageLengthTheMeasurementChangesWhileTheDialogIsOpenStays)
{
    whenShown<frmPrint>([this](frmPrint& d) {
        w->controls().cmbPageSec->setCurrentIndex(5);  // the automatic zoom lengthens the page meanwhile
        test::Control<QPushButton>(d, "cmdPrintCancel")->click();
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), 5);

    whenShown<frmPrint>([this](frmPrint& d) {
        w->controls().cmbPageSec->setCurrentIndex(6);
        test::Control<QPushButton>(d, "cmdPrintOK")->click();  // prints the page as it is now
    });
    w->controls().cmdPrintOut->click();
    EXPECT_EQ(w->controls().cmbPageSec->currentIndex(), 6);
    EXPECT_EQ(state->page.pageSeconds(), 60);
}

TEST(QueueOptions, CopiesAndColourGoBetweenQtsPrinterAndCups)
{
    // (Sides need a printer object of a real queue: one without takes no duplex.)
    const QStringList chosen{"copies", "3", "print-color-mode", "monochrome"};
    QPrinter printer;
    ApplyQueueOptions(printer, chosen);
    EXPECT_EQ(printer.copyCount(), 3);
    EXPECT_EQ(printer.colorMode(), QPrinter::GrayScale);
    EXPECT_EQ(QueueOptionsOf(printer), chosen);
    ApplyQueueOptions(printer, {});  // what is not chosen is not sent
    printer.setCopyCount(1);
    printer.setColorMode(QPrinter::Color);
    EXPECT_TRUE(QueueOptionsOf(printer).isEmpty());
}
