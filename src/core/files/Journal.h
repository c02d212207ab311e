// The journal of the segment being recorded: its header and every sample line, written as the
// samples come into a file beside the recordings, so that a killed program or a power cut loses
// about a second of measurement instead of the whole segment. At the next start a journal left
// behind becomes a recording.
//
// The window only appends to a buffer; a thread of the journal's own formats the lines, hands
// them to the system and forces them to the disk every half second (a killed program loses about
// that, a power cut about a second), so neither a slow disk nor a sync ever holds up the receive
// path. Each file is locked (flock) while its writer lives: a
// journal whose lock is held belongs to a running program and is never recovered.
#pragma once

#include "core/platform/DateTime.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tavin {

// Names a journal that was ended unsaved; 0 names none.
using JournalTicket = std::uint32_t;

class Journal {
public:
    // Handed-over lines reach the system and the disk every `periodMs`.
    explicit Journal(int periodMs = 500);
    // Writes and syncs everything buffered and closes every file; the files stay for recovery.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Opens a journal at `path` (or "-2", "-3" ... before the extension when that name is taken)
    // with `header` as its first line. False with the reason when it cannot be created; the
    // previous file must have been ended first.
    bool begin(const QString& path, const QByteArray& header, QString* why);
    // Opens a new file for the current segment in place of one that cannot be used any more (a
    // sync failed, someone deleted it) or that could not be opened at all; the caller then hands
    // over the segment's samples again. The old file (and any earlier replacement that never
    // reached the disk) is removed once the new one is on the disk.
    bool replace(const QString& path, const QByteArray& header, QString* why);
    bool active() const { return current_ != nullptr; }
    QString path() const;

    // One sample line (CsvSampleLine); ignored when no journal is open or the open one cannot be
    // used any more.
    // Samples gather on the caller's side and are handed to the thread by `publish`, which the
    // window calls with each screen refresh (and which runs by itself every PendingMax samples).
    void sample(float value, const OleDate* time)
    {
        if (!current_)
            return;
        pending_.push_back(time ? Entry{*time, value, Entry::Timed} : Entry{0, value, Entry::Sample});
        if (pending_.size() >= PendingMax)
            publish();
    }
    void publish();
    // Any other line: the header written again after the unit, coefficient, range or sampling changed.
    void line(const QByteArray& bytes);

    // Ends the current journal because its segment could not be saved: what is buffered is
    // written and synced before this returns, and the file stays open and locked until
    // `remove(ticket)` (saved at last) or `release(ticket)` (left for recovery). 0 when no
    // journal was open.
    JournalTicket keep();
    // Ends the current journal because its segment was saved: the file is removed at once (or,
    // when it cannot be, emptied, so that no start recovers the segment a second time).
    void remove();
    void remove(JournalTicket ticket);
    void release(JournalTicket ticket);
    // The kept journal held its whole segment at its last pass (keep() waits for one): no write
    // waits to be tried again, no sync failed and nobody deleted it. A segment whose journal is
    // not intact exists only in memory.
    bool intact(JournalTicket ticket) const;

    // The reason, once, when a write or sync of a journal failed (crash protection is off); again
    // only after a pass of that file succeeded. Lines that could not be written are kept and
    // written again at every pass until they go through.
    QString takeFailure();
    // The current journal cannot be used any more (a sync failed, it was deleted): call replace().
    bool needsNewFile() const;
    // Everything handed over to the current journal is on the disk, or is being written with the
    // next pass after the last one succeeded: a kill now loses at most that pass.
    bool protecting() const;
    // Waits until everything handed over is written and synced.
    void drain();

    std::uint64_t writes() const { return writes_; }
    std::uint64_t syncs() const { return syncs_; }

private:
    // What the window hands over: a sample (with its time when it carries one) or a whole line.
    // The thread formats them, so the receive path pays for a copy of 16 bytes and nothing else.
    struct Entry {
        enum Kind : std::uint8_t { Sample, Timed, Text };
        OleDate time;
        float value;
        Kind kind;
    };
    static constexpr std::size_t PendingMax = 4096;
    struct File;
    static void format(File& f);
    struct Outcome {
        QString failure;        // empty: written and synced
        bool unusable = false;  // the file cannot take lines any more
    };
    Outcome write(File& f);
    File* find(JournalTicket ticket) const;  // an open file not ended for good, under m_
    bool open(const QString& path, const QByteArray& header, QString* why, File* replacing);
    void run();
    void passOver();
    bool settle(File& f, bool wanted, const Outcome& outcome, bool stopping, std::vector<File*>& replaced,
                bool& emptyIt);

    const int periodMs_;
    mutable std::mutex m_;
    std::condition_variable wake_;
    std::condition_variable passed_;
    std::vector<std::unique_ptr<File>> files_;  // guarded by m_; erased only by the thread
    File* current_ = nullptr;                   // the window's file, changed under m_
    std::vector<Entry> pending_;                // the window's samples not handed over yet
    QString failure_;
    JournalTicket nextTicket_ = 1;
    std::uint64_t passes_ = 0;
    std::uint64_t drainUntil_ = 0;  // passes to run without waiting, for drain()
    bool stop_ = false;
    bool urgent_ = false;
    std::thread thread_;
    std::atomic<std::uint64_t> writes_{0};
    std::atomic<std::uint64_t> syncs_{0};
};

// The recording a journal stands for: its last header line, its sample lines up to the last
// whole and readable one, and a closing line with the time of the last sample.
struct JournalContent {
    QByteArray recording;
    std::int32_t samples = 0;
    OleDate lastTime = 0;
    bool header = false;  // its first line is a header
    // Every whole line was taken: what follows the last one is at most a line cut by the end
    // (or the zeros a power cut leaves), not lines that could not be read.
    bool whole = true;
    qsizetype linesAt = 0;  // where the sample lines lie in `recording`
    qsizetype linesSize = 0;
    QByteArrayView sampleLines() const { return QByteArrayView(recording).sliced(linesAt, linesSize); }
};
JournalContent ReadJournal(QByteArrayView bytes);
// The first line of a journal: the header of a recording, with its start time (CR LF or LF).
bool IsJournalHeader(QByteArrayView line);

}  // namespace tavin
