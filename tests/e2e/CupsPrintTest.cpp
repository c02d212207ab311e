// Printing through a real CUPS queue: a cupsd of the test's own (its own socket, spool and output
// folder, reached through CUPS_SERVER) with a queue whose device keeps each job as a file. The
// print dialog lists the queue, shows its device, opens its settings, and the job arrives.
#include "support/Spawned.h"
#include "support/WindowFixture.h"
#include "window/dialogs/frmPrint.h"
#include "window/widgets/Controls.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <cups/cups.h>

using namespace tavin;

namespace {

// A cupsd in a folder of its own, stopped with its object.
class OwnCups {
public:
    ~OwnCups()
    {
        if (cupsd_.running()) {
            cupsd_.terminate();
            cupsd_.waitForFinished(10000);
        }
        qunsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
    }

    // Starts cupsd and adds the queue; what stands in the way when it cannot.
    QString start(const QString& queue)
    {
        const QStringList sbin{"/usr/sbin", "/usr/local/sbin"};
        const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), sbin);
        const QString lpadmin = QStandardPaths::findExecutable(QStringLiteral("lpadmin"), sbin);
        const QString daemon = QStringLiteral("/usr/lib/cups/daemon");
        if (cupsd.isEmpty() || lpadmin.isEmpty() || !QFile::exists(daemon + QStringLiteral("/cups-exec")))
            return QStringLiteral("cupsd, lpadmin or cups-exec is not installed");
        const QString d = dir_.path();
        for (const char* sub : {"conf", "spool", "cache", "state", "tmp", "log", "out", "bin/backend"})
            QDir(d).mkpath(QString::fromLatin1(sub));
        QFile(out()).setPermissions(QFileDevice::Permissions(0x7777));  // the device may run as lp
        QFile::link(daemon, d + QStringLiteral("/bin/daemon"));
        write(QStringLiteral("conf/cupsd.conf"),
              "Listen " + socket().toUtf8() +
                  "\nLogLevel warn\nWebInterface No\nBrowsing Off\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        const QByteArray root = d.toUtf8();
        write(QStringLiteral("conf/cups-files.conf"),
              "ServerRoot " + root + "/conf\nServerBin " + root + "/bin\nRequestRoot " + root +
                  "/spool\nCacheDir " + root + "/cache\nStateDir " + root + "/state\nTempDir " + root +
                  "/tmp\nErrorLog " + root + "/log/error_log\nAccessLog " + root +
                  "/log/access_log\nPageLog " + root + "/log/page_log\n" + "Printcap " + root +
                  "/printcap\n");
        // The device: "tavin:/folder" keeps job n as /folder/job-n, complete when it appears, with
        // its copies and options in /folder/job-n.args.
        const QString backend = d + QStringLiteral("/bin/backend/tavin");
        write(QStringLiteral("bin/backend/tavin"),
              "#!/bin/sh\n"
              "[ $# -eq 0 ] && { echo 'direct tavin \"Unknown\" \"Job files\"'; exit 0; }\n"
              "out=\"${DEVICE_URI#tavin:}/job-$1\"\n"
              "echo \"$4 $5\" > \"$out.args\"\n"
              "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; fi && mv "
              "\"$out.part\" \"$out\"\n");
        QFile(backend).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner);

        cupsd_.setMergedChannels(true);
        // cupsd ends with the test, however the test ends: setpriv gives it the parent's death
        // as a signal before it becomes cupsd.
        QStringList args{"-f", "-c", d + "/conf/cupsd.conf", "-s", d + "/conf/cups-files.conf"};
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            cupsd_.start(cupsd, args);
        else
            cupsd_.start(setpriv, QStringList{"--pdeathsig", "TERM", "--", cupsd} + args);
        if (!cupsd_.waitForStarted(5000))
            return QStringLiteral("cupsd does not start: ") + cupsd_.errorString();
        if (!QTest::qWaitFor([&] { return QFile::exists(socket()) || !cupsd_.running(); }, 10000) ||
            !cupsd_.running())
            return QStringLiteral("cupsd ended or did not listen: ") +
                   QString::fromLocal8Bit(cupsd_.readAllStandardOutput()) + log();
        qputenv("CUPS_SERVER", socket().toLocal8Bit());     // for lpadmin
        cupsSetServer(socket().toLocal8Bit().constData());  // for this process, whatever it asked before
        test::Spawned add;
        add.setMergedChannels(true);
        add.start(lpadmin, {"-p", queue, "-E", "-v", QStringLiteral("tavin:") + out(), "-m", "raw"});
        if (!add.waitForFinished(15000) || add.exitCode() != 0)
            return QStringLiteral("lpadmin failed: ") + add.errorString() +
                   QString::fromLocal8Bit(add.readAllStandardOutput()) + log();
        return QString();
    }

    QString socket() const { return dir_.path() + QStringLiteral("/cups.sock"); }
    QString out() const { return dir_.path() + QStringLiteral("/out"); }
    QStringList jobs() const
    {
        return QDir(out()).entryList({"job-*"}).filter(QRegularExpression("^job-\\d+$"));
    }
    QString log() const
    {
        QFile f(dir_.path() + QStringLiteral("/log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(2000)) : QString();
    }

private:
    void write(const QString& name, const QByteArray& text)
    {
        QFile f(dir_.path() + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir dir_{QStringLiteral("/tmp/tavin-cups-XXXXXX")};  // short: a socket path has a limit
    test::Spawned cupsd_;
};

class CupsPrint : public test::WindowFixture {};

}  // namespace

TEST_F(CupsPrint, AJobChosenInTheDialogReachesARealQueue)
{
    OwnCups cups;
    const QString why = cups.start(QStringLiteral("tavin-e2e"));
    if (!why.isEmpty())
        GTEST_SKIP() << "no CUPS server of the test's own here (" << why.toStdString()
                     << "); the file printer's tests still run";

    state->Settings.SaveDir = t.dir.path();
    w->controls().txtSaveFileName->setText(QStringLiteral("bench1"));
    for (int i = 0; i < 45; ++i) {
        float v = float(i);
        feedValue(v);
    }
    whenShown<frmPrint>([&](frmPrint& d) {
        ASSERT_GE(test::Control<QComboBox>(d, "cboPriSet")->findText(QStringLiteral("tavin-e2e")), 0);
        test::Control<QComboBox>(d, "cboPriSet")->setCurrentText(QStringLiteral("tavin-e2e"));
        d.cboPriSet_Click();
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriName")->text(), QStringLiteral("種類：　tavin-e2e"));
        EXPECT_EQ(test::Control<QLabel>(d, "lblPriport")->text(),
                  QStringLiteral("場所：　tavin:") + cups.out());
        // The queue's settings choose two copies and another paper, which the sheet does not take.
        t.prompts.chosen = QStringList{"copies", "2", "PageSize", "Letter", "print-color-mode", "monochrome"};
        test::Control<QPushButton>(d, "cmdPriProperty")->click();
        EXPECT_EQ(t.prompts.properties, QStringList{"tavin-e2e"});
        test::Control<QPushButton>(d, "cmdPrintOK")->click();
    });
    w->controls().cmdPrintOut->click();
    ASSERT_EQ(shown, 1);
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.pdf"}).isEmpty());  // nothing for the file printer

    ASSERT_TRUE(QTest::qWaitFor([&] { return !cups.jobs().isEmpty(); }, 20000)) << cups.log().toStdString();
    test::Spawned info;  // the queue's device received the whole PDF of an A4 landscape sheet
    info.start(QStringLiteral("pdfinfo"), {cups.out() + u'/' + cups.jobs().first()});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Page size:       842 x 595 pts (A4)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Title:           TAVIN モニタソフト"))) << text.toStdString();
    QFile args(cups.out() + u'/' + cups.jobs().first() + QStringLiteral(".args"));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    const QString received = QString::fromUtf8(args.readAll());
    EXPECT_TRUE(received.startsWith(QStringLiteral("2 "))) << received.toStdString();  // copies
    EXPECT_TRUE(received.contains(QStringLiteral("media=A4"))) << received.toStdString();
    EXPECT_TRUE(received.contains(QStringLiteral("print-color-mode=monochrome"))) << received.toStdString();
    EXPECT_FALSE(received.contains(QStringLiteral("Letter"))) << received.toStdString();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), QStringLiteral("印刷終了"));
}
