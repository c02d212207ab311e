// A recorded demonstration for a machine without a display: the real window measures the gauge
// linked in the ports folder for a few seconds, stops, prints the graph with the PDF file printer,
// and says where the recording, the printed sheet and a screenshot of the window went. Message boxes cannot
// be answered here; their texts are printed.
//   tavin-demo [--seconds N]     (the program's folder and settings are those of TAVIN-Monitor)
#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "core/platform/ToolTexts.h"
#include "window/main/frmMain.h"
#include "window/platform/Printers.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

// The newest recording written since `since` in the save folder or, when saving fell back there,
// the Documents folder.
QString newestRecording(const QStringList& folders, const QDateTime& since)
{
    QFileInfo newest;
    for (const QString& folder : folders)
        for (const QFileInfo& f : QDir(folder).entryInfoList({QStringLiteral("*.csv")}, QDir::Files))
            if (f.lastModified() >= since && (!newest.exists() || f.lastModified() > newest.lastModified()))
                newest = f;
    return newest.exists() ? newest.absoluteFilePath() : QString();
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Its own lines in the user's language; the window's texts stay Japanese, as the catalog
    // holds only the command-line tools' texts.
    tavin::InstallToolLanguage(app);
    std::fprintf(stderr, "%s\n",
                 qPrintable(QCoreApplication::translate(
                     "tavin-demo", "画面がありません: ウィンドウの代わりに、記録したデモを実行します。")));
    int seconds = 8;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--seconds")
            seconds = std::max(1, QByteArray(argv[i + 1]).toInt());

    tavin::AppEnv env;
    env.exeDir = QCoreApplication::applicationDirPath();
    env.exeBaseName = QStringLiteral("TAVIN-Monitor");
    tavin::PrintedPrompts prompts;
    env.prompts = &prompts;
    tavin::AppState state(std::move(env));
    tavin::frmMain w(state);
    w.setInstalledPrinters(tavin::FilePrinterOnly);  // nobody is there to fetch a sheet from a printer
    w.show();

    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    std::printf("%s\n",
                qPrintable(QCoreApplication::translate("tavin-demo", "%1 秒間測定します...").arg(seconds)));
    std::fflush(stdout);
    QTimer::singleShot(500, &w, [&] {
        w.controls().cmdOpen->click();
        if (!w.measuring()) {
            std::fprintf(stderr, "%s\n",
                         qPrintable(QCoreApplication::translate("tavin-demo", "測定が始まりませんでした。")));
            app.exit(1);
            return;
        }
        QTimer::singleShot(seconds * 1000, &w, [&] {
            w.controls().cmdClose->click();
            // The print dialog would wait for an answer nobody can give: the job goes straight to
            // the file printer, as the dialog's OK sends it to the printer chosen there.
            state.print.CurrentPrinter = tavin::FilePrinterName;
            w.PrintOut();
            const QString sheet = state.print.PrintFilePath;
            const QString shot =
                QDir(state.Settings.SaveDir).filePath(QStringLiteral("TAVIN-Monitor-demo.png"));
            const bool shotSaved = w.grab().save(shot);
            const QString recording =
                newestRecording({state.Settings.SaveDir, tavin::DocumentsFolder(state.env)}, started);
            std::printf("%s\n", qPrintable(QCoreApplication::translate("tavin-demo", "測定したサンプル数: %1")
                                               .arg(state.store.g_DataCnt.load())));
            // The three paths' keys are read by .ci/demo: not translated.
            std::printf("recording:  %s\n",
                        qPrintable(recording.isEmpty()
                                       ? QCoreApplication::translate("tavin-demo", "(書き込まれていません)")
                                       : recording));
            std::printf("printed:    %s\n",
                        qPrintable(QFileInfo::exists(sheet)
                                       ? sheet
                                       : QCoreApplication::translate("tavin-demo", "(印刷されていません)")));
            std::printf(
                "screenshot: %s\n",
                qPrintable(shotSaved ? shot
                                     : QCoreApplication::translate("tavin-demo", "(書き込めませんでした)")));
            app.exit(recording.isEmpty() || !shotSaved || !QFileInfo::exists(sheet) ? 1 : 0);
        });
    });
    const int status = app.exec();
    w.close();
    return status;
}
