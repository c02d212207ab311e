// Where a recording goes: its name, the scratch file it is written under, and the Documents
// folder when the save folder cannot be written. A recording never replaces an existing file and
// never appears under its name before it is complete.
#pragma once

#include "core/files/CsvWriter.h"
#include "core/files/Journal.h"
#include "core/platform/DateTime.h"

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace tavin {

struct AppEnv;
class EventLog;

// The recordings' base name when none was given.
inline const QString DefaultBaseName = QStringLiteral("RQ4600_Datas");

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
// name. Either way a failure is reported once at level 2 (`quiet`: not at all, for a retry),
// saying where the file went or why it went nowhere.
SavedRecording SaveRecording(EventLog& log, const AppEnv& env, const QString& path,
                             const std::function<bool(QIODevice&)>& content, bool quiet = false);

// The name a segment's recording starts with: the base name, the measurement's start and the
// segment's number ("bench7-20261208-164012-3"); the save time and ".csv" follow.
QString SegmentStem(const QString& baseName, OleDate start, std::int32_t fileNo);
// That name again from a recording's file name (the name without ".csv" when it has no save time).
QString SegmentName(const QString& fileName);

// The journal of a segment: the name its recording would have without the save stamp, with the
// extension ".journal", which no recording has and the open dialog's CSV filter does not list.
QString JournalPath(const QString& saveDir, const QString& baseName, OleDate start, std::int32_t fileNo);
// The recording a journal becomes when recovered at `saved`: the name pattern of every recording,
// its base name shortened when the whole name would pass `nameMax` bytes.
QString RecoveredRecordingPath(const QString& journalPath, OleDate saved, int nameMax = 255);
// Whether the segment of a journal is in a recording already: one named after the same base name,
// start time and segment number (any save stamp, any "-N"), in one of `folders`, whose sample
// lines begin with all of the journal's.
bool SavedAlready(const QString& journalPath, QByteArrayView sampleLines, const QStringList& folders);

// A file name of the form the program gives journals.
bool IsJournalName(const QString& name);

// Turns every journal in `folder` that no running program holds into a recording (the header of
// its last context, the samples up to its last whole line, a closing line with the time of its
// last sample) and removes it once the recording is in place. A journal without a sample is
// removed. Each recovery is logged at level 1 with the path and the number of samples. A journal
// with lines that could not be read after the ones recovered is kept as "*.journal.bad" for a
// person to look at (level 2), as is one whose lines cannot be read at all. Only journals of this
// program are touched: a regular file with a journal's name whose first line is a header; any
// other file, link, pipe, device or folder is left exactly as it is.
struct RecoveredJournal {
    QString path;  // the recording
    std::int32_t samples = 0;
};
// A journal whose segment is in a recording already, in `folder`, the Documents folder or one of
// `savedIn`, is removed without a second recording.
QList<RecoveredJournal> RecoverJournals(EventLog& log, const AppEnv& env, const QString& folder,
                                        const QStringList& savedIn = {});

// The folders where journals were opened, one a line, kept in a small file in the state folder
// so that the next start finds a journal even when the save folder was changed (in the settings
// held only in memory) before the program ended without saving.
QStringList ReadJournalFolders(const QString& listPath);
bool WriteJournalFolders(const QString& listPath, const QStringList& folders);
// Reads the list, lets `change` change it and writes it, under a lock that programs starting or
// opening journals together take in turn, so that none writes over what another added. When
// another program holds the lock longer than `waitMs`, nothing is written: false, to try again
// later. Where no lock can be taken at all, the list is written without one.
bool UpdateJournalFolders(const QString& listPath, const std::function<void(QStringList&)>& change,
                          int waitMs = 5000);
// That file, in the state folder and named after the executable.
QString JournalFolderList(const AppEnv& env);
// Why that file cannot be read; empty when it can, or when there is none yet. Without it only the
// save folder and the Documents folder are searched for journals.
QString JournalListProblem(const QString& listPath);

// What a program does at its start: recovers the journals left in the save folder, the Documents
// folder and every folder the list names, and keeps in the list the folders still worth a look
// (out of reach now, or with journals left, a running program's or ones that could not be saved).
struct JournalRecovery {
    QList<RecoveredJournal> recovered;
    QStringList folders;  // the list as written
};
JournalRecovery RecoverLeftJournals(EventLog& log, const AppEnv& env, const QString& saveDir);

// Segments whose recording could not be written anywhere: kept, with their journal when they
// have one, and saved again by `saveAll` (at each later save, now and then while some are kept,
// at exit). At most `MaxSamples` samples stay in memory: beyond, the oldest segment that has a
// journal is left to its journal (recovered at the next start), and without one the oldest
// segment is given up with a level-2 log line.
struct UnsavedRecording {
    QString path;
    CsvHeader header;
    QString endText;
    std::vector<float> values;
    std::vector<OleDate> times;
    JournalTicket journal = 0;  // 0: none
};
class UnsavedRecordings {
public:
    static constexpr std::int64_t MaxSamples = 3'600'000;

    void add(UnsavedRecording r, EventLog& log, Journal& journal);
    // Saves the kept segments, oldest first, until one fails; returns how many were saved.
    // `onSaved` is told of each, with the path its recording went to.
    int saveAll(EventLog& log, const AppEnv& env, Journal& journal,
                const std::function<void(const UnsavedRecording&, const QString& path)>& onSaved = {});
    int count() const { return int(list_.size()); }
    bool empty() const { return list_.empty(); }
    // Segments kept only in memory (no intact journal would bring them back after the program ends).
    int inMemoryOnly(const Journal& journal) const;

private:
    std::deque<UnsavedRecording> list_;
    std::int64_t samples_ = 0;
};

}  // namespace tavin
