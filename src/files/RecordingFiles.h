// Where a recording goes: its name, the scratch file it is written under, and the Documents
// folder when the save folder cannot be written. A recording never replaces an existing file and
// never appears under its name before it is complete.
#pragma once

#include "files/CsvWriter.h"
#include "platform/DateTime.h"

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>

namespace tavin {

struct AppEnv;
class EventLog;

// `path` when no file has that name yet, otherwise the first free one of "-2", "-3" ... before
// the extension.
QString UniqueRecordingPath(const QString& path);

// The header of a recording for the settings' range indexes.
CsvHeader RecordingHeader(const QString& startText, std::int32_t fileNo, std::int32_t sampling, int rangePlus,
                          int rangeMinus, const QString& unit, float keisu);

enum class SaveOutcome { Saved, SavedInDocuments, Failed };
struct SavedRecording {
    SaveOutcome outcome = SaveOutcome::Failed;
    QString path;  // where the file went
};
// Writes the recording that `content` produces at a free name near `path`, through a scratch file
// renamed when complete. When that fails, the file goes to the Documents folder under the same
// name. Failures are logged at level 2 (shown in a box), the fallback's success at level 1.
SavedRecording SaveRecording(EventLog& log, const AppEnv& env, const QString& path,
                             const std::function<bool(QIODevice&)>& content);

}  // namespace tavin
