// Printing through the real window into the PDF file printer, read back as a user would read the
// sheet: poppler's pdfinfo for the paper, pdftotext -bbox for texts and positions, pdftoppm for the
// pixels of the curves.
#include "core/platform/DateTime.h"
#include "core/platform/NumText.h"
#include "support/WindowFixture.h"
#include "window/platform/PrinterSurface.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>

#include <cmath>

using namespace tavin;

namespace {

constexpr double MmPerPt = 25.4 / 72.0;

struct Word {
    QString text;
    double x0, y0, x1, y1;  // mm
    int page;               // 1-based
    double cx() const { return (x0 + x1) / 2; }
    double cy() const { return (y0 + y1) / 2; }
};

QString Tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Print : public test::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        w->setInstalledPrinters(FilePrinterOnly);
        state->Settings.SaveDir = t.dir.path();
        w->controls().txtSaveFileName->setText(QStringLiteral("bench1"));
    }

    // `count` samples of a slow sine at `samplingMs`, the page `pageIndex` of the page list.
    void fill(int count, const char* samplingMs = "1000", int pageIndex = 4)
    {
        w->SelectSampling(QString::fromLatin1(samplingMs));
        w->controls().cmbPageSec->setCurrentIndex(pageIndex);
        for (int i = 0; i < count; ++i) {
            float v = top() * 0.5f * float(1 + std::sin(i / 7.0));
            feedValue(v);
            // One sample a second from 09:05:03 whatever the sampling: captions tell pages apart.
            state->store.g_DataTime[std::size_t(i)] = ToOleDate(t.now) + i / 86400.0;
        }
        w->controls().lblStartTime->setText(QStringLiteral("2026年12月6日 09:05:03"));
        state->page.showFrom(0);
        w->graph().DispPageInfo(0, state->store.g_DataCnt - 1, false);
    }
    const GraphScale& scale() const
    {
        return state->ScaleTable[std::size_t(w->controls().cmbGraphRange->currentIndex())];
    }
    float top() const { return scale().Top; }

    // Prints with the current choices; the PDF's path.
    QString print(bool portrait, bool all = false)
    {
        state->print.PrintPortrait = portrait;
        state->print.PrintAll = all;
        EXPECT_EQ(w->PrintOut(), 0);
        return state->print.PrintFilePath;
    }

    // Texts as extracted and as expected compare equal where a glyph stands for two characters.
    static QString normal(const QString& text)
    {
        return QString(text).replace(u'〜', u'～').normalized(QString::NormalizationForm_KC);
    }
    static QList<Word> words(const QString& pdf)
    {
        static const QRegularExpression page(QStringLiteral("<page "));
        static const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
        QList<Word> out;
        int pageNo = 0;
        for (const QString& line : Tool(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}).split(u'\n')) {
            if (line.contains(page))
                ++pageNo;
            const auto m = word.match(line);
            if (m.hasMatch())
                out.append({normal(m.captured(5)), m.captured(1).toDouble() * MmPerPt,
                            m.captured(2).toDouble() * MmPerPt, m.captured(3).toDouble() * MmPerPt,
                            m.captured(4).toDouble() * MmPerPt, pageNo});
        }
        return out;
    }
    static QList<Word> find(const QList<Word>& all, const QString& text, int page = 1)
    {
        QList<Word> out;
        const QString wanted = normal(text);
        for (const Word& w : all)
            if (w.text == wanted && w.page == page)
                out << w;
        return out;
    }
    static Word one(const QList<Word>& all, const QString& text, int page = 1)
    {
        const QList<Word> found = find(all, text, page);
        EXPECT_EQ(found.size(), 1) << text.toStdString() << " on page " << page;
        return found.value(0, Word{text, -99, -99, -99, -99, page});
    }
    // The height of a line of the sheet's text (mm).
    double lineHeight() const
    {
        PrinterSurface sheet(FilePrinter(), t.path(QStringLiteral("metrics.pdf")), QString(), true);
        return sheet.TextHeight();
    }
    static QString info(const QString& pdf) { return Tool(QStringLiteral("pdfinfo"), {pdf}); }
};

}  // namespace

TEST_F(Print, ALandscapeSheetCarriesHeaderFileBlockAndTwoBoxesWithTheirLabels)
{
    fill(45);  // 1 s sampling, 20 s pages: three pages, the sheet shows pages 1 and 2
    const QString pdf = print(false);
    ASSERT_EQ(pdf, t.path(QStringLiteral("bench1-0001.pdf")));
    EXPECT_TRUE(info(pdf).contains(QStringLiteral("Page size:       842 x 595 pts (A4)")));
    EXPECT_TRUE(info(pdf).contains(QStringLiteral("Pages:           1")));
    const QList<Word> all = words(pdf);

    const Word title = one(all, QStringLiteral("TAVIN"));
    EXPECT_NEAR(title.x0, 15, 0.5);
    EXPECT_NEAR(title.y0, 8, 0.5);
    EXPECT_EQ(ShortDate(state->print.PrintDate) + u' ' + LongTime(state->print.PrintDate),
              QStringLiteral("2026/12/06 9:05:03"));  // to the second: two prints can be told apart
    const QString date = ShortDate(state->print.PrintDate);
    const Word time = one(all, LongTime(state->print.PrintDate));
    EXPECT_NEAR(time.x1, 285, 0.5);  // right-aligned to the margin plus 280
    EXPECT_NEAR(one(all, date).y0, 8, 0.5);

    // File block: row 0 holds the file name, row 1 the start time, both in column 1.
    const Word name = one(all, QStringLiteral("ファイル名"));
    EXPECT_NEAR(name.x0, 23.5, 0.5);
    EXPECT_NEAR(name.y0, 15, 0.5);
    EXPECT_NEAR(one(all, QStringLiteral("：bench1")).y0, 15, 0.5);
    const Word start = one(all, QStringLiteral("測定開始時間：2026年12月6日"));
    EXPECT_NEAR(one(all, QStringLiteral("09:05:03")).y0, 19, 0.5);
    EXPECT_NEAR(start.x0, 23.5, 0.5);
    EXPECT_NEAR(start.y0, 19, 0.5);
    EXPECT_TRUE(find(all, QStringLiteral("頁：")).isEmpty());

    // Box 1 (25, 30, 260 x 70) and box 2, the next page, at y 115; captions centred below.
    const double th = lineHeight();
    const Word cap1 = one(all, QStringLiteral("1/3"));
    const Word cap2 = one(all, QStringLiteral("2/3"));
    const QString t0 = QStringLiteral("09:05:03～");
    const QString t20 = QStringLiteral("09:05:23～");
    EXPECT_NEAR(cap1.y0, 30 + 70 + 2 * th, 0.5);
    EXPECT_NEAR(cap2.y0, 115 + 70 + 2 * th, 0.5);
    EXPECT_NEAR((cap1.x0 + one(all, t0).x1) / 2, 25 + 130, 0.5);
    EXPECT_NEAR(one(all, t20).y0, cap2.y0, 0.1);

    // Value labels end at the box's left edge (before their blank), centred on their lines.
    const GraphScale& s = scale();
    for (int i = 0; i < s.LineCount; ++i) {
        if (s.LineStyle[std::size_t(i)] & LineNoLabel)
            continue;
        const float v = s.LineValue[std::size_t(i)];
        QList<Word> labels = find(all, GeneralSingle(v));
        labels.removeIf([](const Word& l) { return l.x1 > 25; });  // the time label "0"
        ASSERT_EQ(labels.size(), 2) << v;                          // one for each box
        for (const Word& l : labels) {
            EXPECT_LT(l.x1, 25);
            EXPECT_GT(l.x1, 23);
        }
        EXPECT_NEAR(labels[0].cy(), 30 + 70 * (s.Top - v) / (s.Top + s.MinusSpan), 0.5);
        EXPECT_NEAR(labels[1].cy(), 115 + 70 * (s.Top - v) / (s.Top + s.MinusSpan), 0.5);
    }
    EXPECT_EQ(find(all, u'(' + s.Unit + u')').size(), 2);

    // Time labels below each box: the second box's start where the next page starts (20 s).
    QList<Word> zeros = find(all, QStringLiteral("0"));
    zeros.removeIf([](const Word& l) { return l.x1 < 25; });  // the value labels
    ASSERT_EQ(zeros.size(), 1);
    const Word zero = zeros[0];
    EXPECT_NEAR(zero.cx(), 25, 0.5);
    EXPECT_NEAR(zero.y0, 100 + th / 2, 0.5);
    const QList<Word> twenty = find(all, QStringLiteral("20"));
    ASSERT_EQ(twenty.size(), 2);  // the end of box 1 and the start of box 2
    EXPECT_NEAR(twenty[0].cx(), 25 + 260, 0.5);
    EXPECT_NEAR(twenty[1].cx(), 25, 0.5);
    EXPECT_NEAR(one(all, QStringLiteral("40")).cx(), 285, 0.5);
    EXPECT_EQ(find(all, QStringLiteral("(秒)")).size(), 2);

    EXPECT_EQ(w->controls().StatusBar1->currentMessage(),
              QStringLiteral("印刷終了 ") + pdf);  // where the sheet went
}

TEST_F(Print, APortraitSheetHasTheFileBlockOnRowsOneAndThreeAndOneBoxWhenNoNextPageExists)
{
    fill(15);                               // fewer samples than a page: box 1 only
    const QString pdf = print(true, true);  // "全データ印刷" has no say in portrait
    EXPECT_TRUE(info(pdf).contains(QStringLiteral("Page size:       595 x 842 pts (A4)")));
    const QList<Word> all = words(pdf);
    EXPECT_NEAR(one(all, QStringLiteral("ファイル名")).y0, 19, 0.5);
    EXPECT_NEAR(one(all, QStringLiteral("測定開始時間：2026年12月6日")).y0, 27, 0.5);
    EXPECT_NEAR(one(all, LongTime(state->print.PrintDate)).x1, 200, 0.5);
    EXPECT_NEAR(one(all, QStringLiteral("1/1")).cy(), 45 + 90 + 2 * lineHeight() + lineHeight() / 2, 0.5);
    EXPECT_EQ(find(all, QStringLiteral("(秒)")).size(), 1);
    EXPECT_TRUE(find(all, QStringLiteral("2/1")).isEmpty());
}

TEST_F(Print, TheCurveRunsAcrossItsBoxAndStaysInside)
{
    // 2000 samples a page: the long-polyline path of the screen.
    fill(4500, "10");
    const QString pdf = print(false);
    Tool(QStringLiteral("pdftoppm"),
         {"-r", "100", "-png", "-singlefile", pdf, t.path(QStringLiteral("sheet"))});
    const QImage sheet(t.path(QStringLiteral("sheet.png")));
    ASSERT_FALSE(sheet.isNull());
    const double px = 100 / 25.4;
    const QRectF box1(25 * px, 30 * px, 260 * px, 70 * px), box2(25 * px, 115 * px, 260 * px, 70 * px);
    double left1 = 1e9, right1 = 0, left2 = 1e9, right2 = 0;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x) {
            const QColor c = sheet.pixelColor(x, y);
            if (c.blue() - std::max(c.red(), c.green()) < 60)
                continue;  // black, grey and white: not the blue of the curve
            const QPointF p(x + 0.5, y + 0.5);
            if (box1.adjusted(-1, -1, 1, 1).contains(p))
                left1 = std::min(left1, p.x()), right1 = std::max(right1, p.x());
            if (box2.adjusted(-1, -1, 1, 1).contains(p))
                left2 = std::min(left2, p.x()), right2 = std::max(right2, p.x());
            EXPECT_TRUE(box1.adjusted(-1, -1, 1, 1).contains(p) || box2.adjusted(-1, -1, 1, 1).contains(p))
                << x << ',' << y;
        }
    for (double left : {left1, left2})
        EXPECT_LT(left, box1.left() + 3);
    for (double right : {right1, right2})
        EXPECT_GT(right, box1.right() - 3);
}

TEST_F(Print, AllDataContinuesTheStripsOnNewSheetsWithHeaderAndFileBlock)
{
    // 1 s sampling, 300 s strips: 3000 samples make 10 strips, more than one sheet holds.
    fill(3000, "1000", 8);
    w->controls().optMode[1]->setChecked(true);
    w->controls().lblLoadFileName->setText(QStringLiteral("tank-20261206-090503-00012-20261206-095503.csv"));
    const QString pdf = print(false, true);
    EXPECT_EQ(pdf, t.path(QStringLiteral("tank-20261206-090503-00012-20261206-095503-0001.pdf")));
    const int perSheet = 10;  // strips 16.5 mm apart from 30 mm, 14 mm high, above 205 mm
    EXPECT_TRUE(info(pdf).contains(QStringLiteral("Pages:           1")));
    fill(3000 * 3, "1000", 8);  // 30 strips: three sheets
    const QString three = print(false, true);
    EXPECT_TRUE(info(three).contains(QStringLiteral("Pages:           3"))) << info(three).toStdString();
    const QList<Word> all = words(three);
    for (int page = 1; page <= 3; ++page) {
        EXPECT_EQ(find(all, QStringLiteral("TAVIN"), page).size(), 1);
        EXPECT_EQ(find(all, QStringLiteral("頁：12"), page).size(), 1) << page;
        EXPECT_NEAR(one(all, QStringLiteral("頁：12"), page).y0, 15, 0.5);
        EXPECT_EQ(find(all, QStringLiteral("ファイル名"), page).size(), 1);
        // Each sheet's first strip carries the time labels above it; the unit sits right of them.
        EXPECT_EQ(find(all, QStringLiteral("(分)"), page).size(), 1) << page;
    }
    // The strip's last time line closes it at its right end (at 1 s sampling a 50-sample step
    // inwards would put it a sixth of the strip early).
    const QImage& strip = w->printJob().work().image();
    int closing = 0;
    for (int y = 0; y < strip.height(); ++y)
        closing += strip.pixel(strip.width() - 2, y) == qRgb(0, 0, 0) ||
                   strip.pixel(strip.width() - 3, y) == qRgb(0, 0, 0);
    EXPECT_GT(closing, strip.height() * 3 / 4);

    // Nothing printed runs into anything else, not even the labels of neighbouring strips.
    QList<Word> first = all;
    first.removeIf([](const Word& word) { return word.page != 1; });
    for (int i = 0; i < first.size(); ++i)
        for (int j = i + 1; j < first.size(); ++j) {
            const QRectF a(first[i].x0, first[i].y0, first[i].x1 - first[i].x0, first[i].y1 - first[i].y0);
            const QRectF b(first[j].x0, first[j].y0, first[j].x1 - first[j].x0, first[j].y1 - first[j].y0);
            EXPECT_FALSE(a.adjusted(0.1, 0.1, -0.1, -0.1).intersects(b))
                << first[i].text.toStdString() << " and " << first[j].text.toStdString();
        }

    // Strip k of the job: its caption is its start time, 25 mm left of the strip.
    for (int k : {0, 9, 10, 29}) {
        const int page = k / perSheet + 1;
        QList<Word> captions =
            find(all, FormatDate(state->store.g_DataTime[std::size_t(k * 300)], u"hh:nn:ss"), page);
        captions.removeIf([](const Word& c) { return c.x0 > 30; });  // the start time of the file block
        ASSERT_EQ(captions.size(), 1) << k;
        const Word caption = captions[0];
        EXPECT_NEAR(caption.x0, 20, 0.5);
        EXPECT_NEAR(caption.cy(), 30 + 16.5 * (k % perSheet) + 7, 0.5) << k;
    }
}

TEST_F(Print, AFileNumberOnlyInLandscapeAllDataAndNeverFromAFieldThatIsNoPageNumber)
{
    fill(100);
    w->controls().optMode[1]->setChecked(true);
    w->controls().lblLoadFileName->setText(QStringLiteral("tank-20261206-090503-00012.csv"));
    EXPECT_TRUE(find(words(print(false)), QStringLiteral("頁：12")).isEmpty());
    EXPECT_TRUE(find(words(print(true, true)), QStringLiteral("頁：12")).isEmpty());

    // A name with a "-" of its own: the fourth field is a time stamp, not a page number.
    w->controls().lblLoadFileName->setText(QStringLiteral("tank-A-20261206-130034-1-20261206-133034.csv"));
    const QString pdf = print(false, true);
    const QList<Word> all = words(pdf);
    EXPECT_EQ(find(all, QStringLiteral("TAVIN")).size(), 1);  // printed all the same
    for (const Word& word : all)
        EXPECT_FALSE(word.text.startsWith(QStringLiteral("頁"))) << word.text.toStdString();
}

// Once a measurement was saved, the sheet names the file it went to, not the base name, and it
// carries the verdict judged on it, in portrait under the file block, in landscape beside it.
TEST_F(Print, TheSheetNamesTheSavedRecordingAndCarriesTheVerdict)
{
    fill(45);
    saveNow();
    const QStringList files = QDir(t.dir.path()).entryList({"bench1-*.csv"}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QString saved = files[0];
    DecayTest test;
    test.name = QStringLiteral("継手A");
    test.holdS = 30;
    test.maxDrop = 0.5;
    std::vector<float> falling(40);
    for (std::size_t i = 0; i < falling.size(); ++i)
        falling[i] = 100 - 0.1f * float(i);
    state->lastDecay = DecayRecord{test, EvaluateDecay(falling.data(), 40, 0, 1, 1, test, "kPa"), "kPa", 1,
                                   QStringLiteral("2026/12/06 09:06:00")};
    for (const bool portrait : {true, false}) {
        const QString pdf = print(portrait);
        EXPECT_EQ(QFileInfo(pdf).fileName(), QString(saved).replace(".csv", "-0001.pdf"));
        const QString text = normal(Tool(QStringLiteral("pdftotext"), {pdf, "-"})).simplified();
        for (const QString& expected : {saved, QStringLiteral("2026/12/06 9:05:03"),
                                        QStringLiteral("圧力降下試験 継手A 区間 0–30 s 判定 NG")})
            EXPECT_TRUE(text.contains(normal(expected))) << portrait << ": " << text.toStdString();
        QFile::remove(pdf);
    }
}

TEST_F(Print, ASheetNeverReplacesAFileAndNoScratchFileStays)
{
    fill(45);
    const QString path = t.path(QStringLiteral("bench1-0001.pdf"));
    t.write(QStringLiteral("bench1-0001.pdf"), "an earlier print");
    {
        // A job that is dropped before its end writes nothing.
        PrinterSurface dropped(FilePrinter(), path, QString(), false);
        dropped.Print(QStringLiteral("half"));
    }
    EXPECT_EQ(QDir(t.dir.path()).entryList({"bench1*"}, QDir::Files), QStringList{"bench1-0001.pdf"});

    // The name is taken: the sheet takes the next free one, as recordings do, and says where.
    const QString next = t.path(QStringLiteral("bench1-0001-2.pdf"));
    EXPECT_EQ(print(false), next);
    EXPECT_EQ(t.read(QStringLiteral("bench1-0001.pdf")), "an earlier print");
    EXPECT_TRUE(t.read(QStringLiteral("bench1-0001-2.pdf")).startsWith("%PDF-"));
    EXPECT_EQ(QDir(t.dir.path()).entryList({"bench1*", ".tavin-*"}, QDir::Files | QDir::Hidden),
              (QStringList{"bench1-0001-2.pdf", "bench1-0001.pdf"}));
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), QStringLiteral("印刷終了 ") + next);
    QFile log(state->log.LogFilePath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("[PrintOut]: " + next.toUtf8()))
        << state->log.LogFilePath.toStdString();

    // A folder that cannot take the file: the job ends with an error and writes nothing.
    t.write(QStringLiteral("blocked"), "a file where the folder should be");
    state->Settings.SaveDir = t.path(QStringLiteral("blocked"));
    print(false);
    EXPECT_FALSE(QFileInfo::exists(t.path(QStringLiteral("blocked/bench1-0001.pdf"))));
    ASSERT_FALSE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(t.prompts.shown.last().text.contains(QStringLiteral("blocked/bench1-0001.pdf")));
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), QStringLiteral("印刷終了"));
}

TEST_F(Print, JobsThatCannotPrintAreRefusedWithAClearMessage)
{
    // No printer at all.
    w->setInstalledPrinters([] { return PrinterList(); });
    EXPECT_EQ(w->PrintOut(), -1);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, QStringLiteral("有効なプリンタがありません."));
    EXPECT_EQ(t.prompts.shown[0].title, QStringLiteral("PrintOut"));
    w->setInstalledPrinters(FilePrinterOnly);

    fill(45);
    w->controls().cmbGraphRange->setCurrentIndex(-1);
    print(false);
    EXPECT_TRUE(t.prompts.shown.last().text.contains(QStringLiteral("センサレンジ")));
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.pdf"}).isEmpty());
}

TEST_F(Print, AnEmptyStorePrintsOneEmptyBox)
{
    const QString pdf = print(false);
    const QList<Word> all = words(pdf);
    EXPECT_EQ(find(all, QStringLiteral("TAVIN")).size(), 1);
    EXPECT_EQ(find(all, QStringLiteral("(秒)")).size(), 1);  // box 1 only
    for (const Word& word : all)
        EXPECT_FALSE(word.text.contains(u'～')) << "no page and no time to name";
    EXPECT_EQ(QDir(t.dir.path()).entryList({"*.pdf"}), QStringList{"bench1-0001.pdf"});
}

TEST_F(Print, TheCaptionNamesThePagePrintedAlsoWhenThePageLabelLagsBehind)
{
    fill(45);
    state->page.showFrom(40);  // measuring moves the page on without relabelling it
    const QList<Word> all = words(print(false));
    EXPECT_EQ(find(all, QStringLiteral("3/3")).size(), 1);
    EXPECT_EQ(find(all, QStringLiteral("09:05:43～")).size(), 1);
    EXPECT_TRUE(find(all, QStringLiteral("1/3")).isEmpty());
}

TEST_F(Print, AJobACupsQueueRefusesIsReportedAndLeavesNoScratchFile)
{
    fill(45);
    QDir(t.dir.path()).mkdir(QStringLiteral("tmp"));
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", t.path(QStringLiteral("tmp")).toLocal8Bit());
    qputenv("CUPS_SERVER", t.path(QStringLiteral("no-cupsd.sock")).toLocal8Bit());
    w->setInstalledPrinters([] {
        return PrinterList{{{QStringLiteral("bench-queue"), QString(), false}}, QString()};
    });
    EXPECT_EQ(w->PrintOut(), 0);
    qunsetenv("CUPS_SERVER");
    if (tmpdir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    ASSERT_FALSE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(t.prompts.shown.last().text.startsWith(QStringLiteral("bench-queue: ")))
        << t.prompts.shown.last().text.toStdString();
    EXPECT_TRUE(QDir(t.path(QStringLiteral("tmp"))).isEmpty());
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.pdf"}).isEmpty());
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), QStringLiteral("印刷終了"));
}
