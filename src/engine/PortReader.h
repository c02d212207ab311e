// The engine's reading of the port: the port itself, the reads at the client's pace, the cutting
// of the bytes into frames, each frame's arrival time, the frames' decoding for the view, and the
// console's tap of the bytes received.
//
// Threads: everything but the tap's `setTap` and `takeTap` runs on the engine's thread, which owns
// the port (its CommControl is a child of the engine's object and moves with it). The tap is kept
// under a mutex of its own, taken only while the tap is on or at the port's open and close.
//
// Pacing. A gauge that sends more than a frame a pace is read once a pace, its frames waiting in
// the system's buffer meanwhile: waking for each frame costs many times what the frame does. The
// frames that waited are stamped as arrived evenly over the pause, the last one at the read, so
// a regular gauge's stamps stay within a frame's period of its arrival. Slower gauges are read as
// each frame comes. No lock and no allocation on this path: the read buffer and the cut frames
// keep their capacity.
#pragma once

#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"
#include "engine/EngineState.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class QObject;

namespace tavin {

class CommControl;
class EventLog;

// The pace's decisions: how long before a read its frames may have arrived, and whether the next
// read waits for the pace.
class ReadPace {
public:
    using Clock = std::chrono::steady_clock;
    // How soon after the engine came back to listen bytes count as having waited for it.
    static constexpr auto ListenSlack = std::chrono::microseconds(500);

    // A new measurement: the first read does not follow a pause.
    void reset() { paced_ = true, paused_ = false; }
    // A fast gauge is read once a pace (off while stopping, so nothing waits unread).
    void setPacing(bool on) { paced_ = on; }
    // The engine's thread went back to wait for events.
    void listening(Clock::time_point at) { listening_ = at; }
    // Bytes that woke a listening engine arrived just now; bytes that were already waiting when it
    // came back to listen after a pause arrived during the pause (at most two paces of it).
    Clock::duration spread(Clock::time_point readAt, Clock::duration pace) const;
    // After a read that cut `frames`: whether the engine pauses until `readAt + pace` before it
    // reads again (the gauge sent more than a frame a pace).
    bool pauseAfter(Clock::time_point readAt, std::size_t frames, Clock::duration pace);

private:
    Clock::time_point lastRead_;
    Clock::time_point listening_;
    bool paced_ = true;
    bool paused_ = false;  // the last read was followed by a pause
};

class PortReader : private FrameSink {
public:
    using Clock = ReadPace::Clock;
    static constexpr qsizetype TapMaxBytes = 64 * 1024;

    // Where the frames cut from the bytes go, each with the time it arrived.
    class Frames {
    public:
        virtual void frame(std::string_view text, Clock::time_point arrived) = 0;

    protected:
        ~Frames() = default;
    };

    // The port's control is made a child of `owner`, so that it moves with it to the engine's thread.
    PortReader(const QString& configDir, QObject* owner, EventLog& log);
    ~PortReader() override;
    PortReader(const PortReader&) = delete;
    PortReader& operator=(const PortReader&) = delete;

    CommControl& port() { return *port_; }
    bool isOpen() const;
    // Opens the port; empty when it is open, else why not. The tap says "Open(COM3,9600,N,8,1)".
    QString open(int port, const QString& device, int baudRate);
    // Closes the port named `name` when it is open; the tap says "Close(COM3)".
    void close(const QString& name);
    // A new measurement: no half frame, no pause, the lamp's count from 0.
    void reset();

    // Reads all the port holds, cuts it into frames for gauge kind `term` and hands them on. True
    // when the engine should pause until `pauseUntil` before reading again.
    bool read(std::int16_t term, std::chrono::milliseconds pace, Frames& to, Clock::time_point* pauseUntil);
    // The frames waiting in the port before a stop are read now (through the port's signal, as
    // any read), with no pause after.
    void readRest();
    // Bytes as if the port had received them now, the last of their frames arriving now and the
    // others spread evenly over the `spread` before it.
    void receive(QByteArrayView bytes, std::int16_t term, Frames& to, Clock::duration spread = {});
    void listening(Clock::time_point at) { pace_.listening(at); }

    // Bytes to the gauge: a frame being received is abandoned. Nothing without a port.
    void send(const QByteArray& bytes);
    // A half frame given up.
    void resetFrame() { assembler_.reset(); }

    // A frame's text decoded for gauge kind `term`: -1 for a rejected frame (counted with its
    // reason in the view's errors), else 0. The fast gauge's receive lamp follows its frames.
    short decode(std::string_view text, std::int16_t term, AcquisitionView& view);
    // The value the last frame decoded carried, null when it carried none; and the text its
    // readout format is taken from (a frame longer than a decoder keeps is shown whole).
    const Decoded* value() const { return hasValue_ ? &decoded_ : nullptr; }
    std::string_view shown() const { return shown_; }

    // The console's tap (any thread): on or off, and what it holds, taken.
    void setTap(bool on) { tapOn_.store(on, std::memory_order_relaxed); }
    std::vector<TapEntry> takeTap();
    // Bytes the port brought, kept while the tap is on: at most TapMaxBytes, the oldest dropped.
    void tapReceived(const char* data, qsizetype size);

private:
    void frame(std::string_view text) override;
    void cut(const char* data, std::size_t size, std::int16_t term);
    std::size_t readAll(std::int16_t term);
    void handOn(Frames& to, Clock::time_point readAt, Clock::duration spread);
    void tapLine(const QString& text);

    EventLog& log_;
    CommControl* port_;
    ReadPace pace_;
    FrameAssembler assembler_;
    QByteArray readBuf_;
    std::string cut_;                   // the frames cut from the last read, back to back
    std::vector<std::size_t> cutEnds_;  // where each ends in cut_
    Decoded decoded_;
    bool hasValue_ = false;
    std::string_view shown_;
    std::int16_t blinkCount_ = 0;

    std::mutex tapM_;
    std::atomic<bool> tapOn_{false};
    std::deque<TapEntry> tap_;
    qsizetype tapBytes_ = 0;
};

}  // namespace tavin
