// The real program window measuring in a process of its own, for tests that end it the hard way
// (SIGKILL) and look at what it left behind:
//   tavin-measure-host --dir DIR --com N --kind K [--sampling MS] [--name BASE] [--max-datas N]
// DIR is the program folder (settings, ports/COMn, Documents). It starts measuring once loaded,
// prints "measuring" (or "not measuring" when the port would not open) and runs until it is
// killed. BASE goes into the file-name box, so that each run's recordings and journals carry a
// name of their own; N lowers the store's segment length, so that at a fast sampling period
// segments end and are saved every few seconds.
#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "window/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString dir;
    int com = 1, kind = 0;
    QString sampling, name;
    int maxDatas = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray key(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (key == "--dir")
            dir = value;
        else if (key == "--com")
            com = value.toInt();
        else if (key == "--kind")
            kind = value.toInt();
        else if (key == "--sampling")
            sampling = value;
        else if (key == "--name")
            name = value;
        else if (key == "--max-datas")
            maxDatas = value.toInt();
    }
    tavin::AppEnv env;
    env.exeDir = dir;
    env.documentsDir = dir + QStringLiteral("/Documents");
    tavin::PrintedPrompts prompts;
    env.prompts = &prompts;
    tavin::AppState state(std::move(env));
    tavin::frmMain w(state);
    w.controls().mnuTermKind[kind]->trigger();
    for (QAction* a : w.controls().mnuCom)
        if (a->isVisible() && a->text().startsWith(QStringLiteral("COM%1(").arg(com)))
            a->trigger();
    if (!sampling.isEmpty())
        w.SelectSampling(sampling);
    if (!name.isEmpty())
        w.controls().txtSaveFileName->setText(name);
    if (maxDatas > 0)
        state.Settings.MaxDatas = maxDatas;
    w.show();
    QTimer::singleShot(0, &w, [&] {
        w.controls().cmdOpen->click();
        std::printf(w.measuring() ? "measuring\n" : "not measuring\n");
        std::fflush(stdout);
    });
    return app.exec();
}
