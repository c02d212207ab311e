// What the recorder writes to stdout or stderr, handed to a thread of its own: a reader that
// stops reading (a stalled journald, an unread `| less`, a dropped ssh session) blocks that thread
// in `write`, never the recording, a segment's save or the handling of a signal. Lines wait in a
// bounded queue; beyond the bound they are counted, not kept.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <thread>

namespace tavin {

class OutputQueue {
public:
    // What waits for the reader at most: about a thousand save lines.
    static constexpr std::size_t MaxBytes = 256 * 1024;
    // How long the end waits for a reader to take what is queued: both outputs together stay
    // within a second of the end's bound of five.
    static constexpr int FlushMs = 500;

    explicit OutputQueue(int fd);
    // Waits up to FlushMs for what is queued, then ends the writer; one still blocked in `write`
    // then is left to the exit.
    ~OutputQueue();
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // A line that matters (a save, an error): kept while the queue has room.
    void line(const QByteArray& bytes);
    // A line that the next one replaces (the terminal's status): dropped unless all else is written.
    void status(const QByteArray& bytes);
    // Waits until everything queued is written, at most `ms`; false when the reader did not take it.
    bool flush(int ms);
    // Lines given up so far (status lines included).
    std::uint64_t dropped() const;

private:
    struct Shared;
    std::shared_ptr<Shared> s_;
    std::thread writer_;
};

}  // namespace tavin
