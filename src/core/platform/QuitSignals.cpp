#include "core/platform/QuitSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tavin {

#ifdef Q_OS_UNIX
namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;  // the interrupted code may be about to read it
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[0], &c, 1);  // only async-signal-safe work here
    errno = saved;
}
}  // namespace

void OnTerminationSignals(QObject* context, std::function<void()> quit)
{
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [quit = std::move(quit)] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[1], &c, 1);
        quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}
#else
void OnTerminationSignals(QObject*, std::function<void()>) {}
#endif

}  // namespace tavin
