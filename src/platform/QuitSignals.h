// Ctrl+C and a polite kill close the main window the way the user would, so that its shutdown
// (settings, the open recording) runs instead of the process vanishing.
#pragma once

class QWidget;

namespace tavin {

void CloseOnTerminationSignals(QWidget* window);

}  // namespace tavin
