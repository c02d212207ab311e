// The real program window measuring in a process of its own, for tests that end it the hard way
// (SIGKILL) and look at what it left behind:
//   tavin-measure-host --dir DIR --com N --kind K [--sampling MS]
// DIR is the program folder (settings, ports/COMn, Documents). It starts measuring once loaded,
// prints "measuring" and runs until it is killed.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString dir;
    int com = 1, kind = 0;
    QString sampling;
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
    }
    tavin::AppEnv env;
    env.exeDir = dir;
    env.documentsDir = dir + QStringLiteral("/Documents");
    tavin::PrintedPrompts prompts;
    env.prompts = &prompts;
    tavin::AppState state(std::move(env));
    tavin::frmMain w(state);
    w.mnuTermKind[kind]->trigger();
    for (QAction* a : w.mnuCom)
        if (a->isVisible() && a->text().startsWith(QStringLiteral("COM%1(").arg(com)))
            a->trigger();
    if (!sampling.isEmpty())
        w.SelectSampling(sampling);
    w.show();
    QTimer::singleShot(0, &w, [&] {
        w.cmdOpen->click();
        std::printf(w.Measuring ? "measuring\n" : "not measuring\n");
        std::fflush(stdout);
    });
    return app.exec();
}
