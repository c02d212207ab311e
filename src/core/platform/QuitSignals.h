// Ctrl+C, a polite kill and a closed terminal end the program the way its own quit does, so that
// its shutdown (settings, the open recording) runs instead of the process vanishing.
#pragma once

#include <functional>

class QObject;

namespace tavin {

// From now on SIGINT, SIGTERM and SIGHUP run `quit` on `context`'s thread, from its event loop.
void OnTerminationSignals(QObject* context, std::function<void()> quit);

}  // namespace tavin
