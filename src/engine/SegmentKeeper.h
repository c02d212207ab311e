// The engine's keeping of segments: each sample appended to the store, the segment ended and saved
// when full, the samples that follow held (stamped and counted, not lost) until the client lets go
// of the segment saved, the journal that holds the segment against a crash with the list of the
// folders journals went to, and the segments whose recording could not be written.
//
// Threads: the engine's thread only, but `acknowledge`, which any thread may call: the engine then
// stores what was held at its next look (`drain`). The per-frame path, `add`, takes no lock and
// allocates nothing while the held samples' queue keeps its capacity.
#pragma once

#include "engine/EngineState.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavin {

struct AppEnv;
struct CsvHeader;
class EventLog;
class Journal;
class SampleStore;
class StreamFeed;
class UnsavedRecordings;

class SegmentKeeper {
public:
    // `journalRetryMs`: how long to wait between attempts at a new journal when no folder takes
    // one (read at each attempt).
    SegmentKeeper(const AppEnv& env, EventLog& log, SampleStore& store, Journal& journal,
                  UnsavedRecordings& unsaved, EngineState& state, EngineOutput& out, StreamFeed& feed,
                  const qint64& journalRetryMs);

    // A new measurement: segment 1, nothing held, the store restarted, its start now.
    void begin();
    // A sample, with its moving average when `averaged`: into the store, or held behind the ones
    // that wait. A segment that is full (or longer than the length now allowed) ends and is saved.
    void add(float value, OleDate time, float mean, bool averaged);
    // Samples held, not in the store yet.
    std::size_t held() const { return held_.size(); }

    // The client holds nothing of segments before `generation` any more (any thread).
    void acknowledge(std::int32_t generation) { acked_.store(generation, std::memory_order_release); }
    // Stores the held samples the client let go of.
    void drain();
    // Stores every held sample, however many segments they fill (a stop: the client waits).
    void drainAll();

    // The segment ended (full store, stop): its recording is written and its journal removed, or,
    // when it cannot be written, it is kept with its journal and saved again later.
    void saveSegment();
    // The measurement stopped: the segment saved as at its end, and crash protection no longer at
    // stake (what the journal did not hold is saved or kept as unsaved).
    void end();
    // What the store holds now, saved as at a segment's end but without ending it.
    bool saveNow();
    // The segments kept unsaved, saved; how many. `announce`: the status says so.
    int saveUnsaved(bool announce);

    // The unit, coefficient, range or sampling changed: the journal takes the header again.
    void headerAgain();
    // The journal handed its lines, its failures and the folder list looked after (the tick).
    void checkJournal();
    // The folders journals went to before; the ones this engine journaled in are kept in the list.
    void setJournalFolders(const QStringList& folders);

private:
    struct Held {  // a sample on its way into the store
        float value;
        OleDate time;
        float mean;
        bool averaged;
    };
    bool isHeld() const { return acked_.load(std::memory_order_acquire) != generation_; }
    void append(const Held& h, bool journaled);
    void endSegment(std::int32_t lastIndex);
    void countUnsaved();
    bool autoSave(QString* triedPath);
    void announceSave(int outcome);
    void saved(const QString& path, const CsvHeader& header, const float* values, const OleDate* times,
               std::size_t samples);
    CsvHeader header() const;
    void journalSample(std::int32_t index, float value, OleDate time);
    void journalHeld();
    void journalHeldSamples(std::size_t from, std::size_t to);
    bool openJournal(bool replacing);
    void renewJournal();
    void journalOff(const QString& why);
    void rememberJournalFolder(const QString& folder);
    void writeJournalFolders();

    const AppEnv& env_;
    EventLog& log_;
    SampleStore& store_;
    Journal& journal_;
    UnsavedRecordings& unsaved_;
    EngineState& st_;
    EngineOutput& out_;
    StreamFeed& feed_;
    const qint64& journalRetryMs_;

    std::vector<Held> held_;         // samples after a segment's end, before the client's acknowledge
    std::size_t heldJournaled_ = 0;  // the first of them, in the next segment's journal already
    std::int32_t generation_ = 0;
    std::atomic<std::int32_t> acked_{0};
    QStringList journalFolders_;
    bool protectionOff_ = false;
    qint64 journalRetryAt_ = 0;
    bool folderListPending_ = false;  // the folder list was held by another program: written later
    qint64 folderListRetryAt_ = 0;
    bool savedNameShown_ = false;
};

}  // namespace tavin
