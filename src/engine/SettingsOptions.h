// The settings file's values as the engine's options: the one reading of the file that the window
// and the recorder both start from. Each then sets what is its own to decide on top: the window
// what its controls show, the recorder what its command line gives and the pace of a run nobody
// watches.
#pragma once

#include "engine/Acquisition.h"

namespace tavin {

struct SettingsRecord;

// Every option the settings file holds a key for, read as the file means it; the options it holds
// nothing of keep their defaults (the period measured or not, the coefficient, the readout's
// average, the device path, the pace, the analysis CSV).
AcquisitionOptions OptionsFromSettings(const SettingsRecord& s);

}  // namespace tavin
