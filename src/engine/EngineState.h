// What the engine's clients and its pieces share: the options a client sets, the view it reads,
// the events it acts on and the console's tap entries; and, on the engine's thread only, the
// options in force with the view being made, and where the pieces send what a client must see.
// Acquisition.h makes them the clients'; PortReader, SegmentKeeper and StreamFeed work on them.
#pragma once

#include "core/platform/DateTime.h"
#include "core/stream/StreamOptions.h"
#include "core/trend/Recording.h"
#include "engine/MqttPublisher.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string_view>

namespace tavin {

// What the client decides. A change takes effect before the next frame is decoded.
struct AcquisitionOptions {
    int port = 1;         // COM number
    bool noPort = false;  // frames come only through inject and receive (tests, tools)
    int baudRate = 9600;
    std::int16_t term = 0;                 // gauge kind 0..5
    bool samplingAuto = false;             // measure the period from the first frames
    std::int32_t sampling = 1000;          // the period in ms
    bool unitAuto = true;                  // the unit follows the frames
    QString unit = QStringLiteral("---");  // the unit while unitAuto is off, and until a frame sets one
    float keisu = 1.0f;                    // coefficient
    float limitHi = 0.0f;
    float limitLow = 0.0f;
    std::int16_t etcConf = 0;       // flag 4: upper limit on, flag 2: lower limit on
    bool readoutAverage = false;    // the readout shows the moving average
    double aveLength = 1000;        // the average's length as typed, taken at the start
    std::int32_t maxDatas = 30000;  // samples per segment
    std::int16_t rangePlus = 0;     // written in each recording's header
    std::int16_t rangeMinus = 0;
    QString saveDir;   // where recordings and journals go
    QString baseName;  // the recordings' base name
    QString device;    // a device path opened instead of the port numbered `port`
    // A gauge faster than a frame in `paceMs` is read once in it, its frames waiting in the
    // system's buffer meanwhile: a window wants its readout fresh, a recorder wakes less often.
    int paceMs = 20;
    // How often what clients show is published, the journal handed its lines and held samples
    // stored: a little faster than a screen refreshes.
    int publishMs = 25;
    // The broker the samples are streamed to, while its URL is set; an empty topic is the port's.
    StreamOptions stream;
    // Each saved recording gets its analysis CSV beside it ("…_analysis.csv").
    bool analysisCsv = false;

    bool operator==(const AcquisitionOptions&) const = default;
};

// What a client shows, as of the engine's last publish.
struct AcquisitionView {
    std::int32_t generation = 0;  // segments ended since the engine was made
    std::int32_t fileNo = 1;      // the current segment's number
    std::int32_t errorCount = 0;  // frames rejected since the start
    QString lastError;            // the last rejected frame and why
    std::int64_t startCount = 1;  // the number of the segment's first sample, counted from the start
    OleDate startTime = 0;        // the segment's start (0: none yet)
    OleDate endTime = 0;          // the end of the last segment (0: none yet)
    QString unit = QStringLiteral("---");
    std::int32_t battery = 0;  // tenths of a volt; 0: none
    char reference = 0;        // the reference character; 0: none
    // The readout refreshes about every 100 ms of data: its value, format and limit check, and
    // `readouts` counting the refreshes (a client shows one whenever it changed).
    std::uint32_t readouts = 0;
    float readoutValue = 0.0f;
    std::string_view readoutFormat;
    LimitCheck limits;
    std::uint32_t lampBlinks = 0;  // the fast gauge's receive lamp changed (kind 5): its state
    bool lampOn = false;
    bool measuring = false;
    bool protecting = true;                // the journal holds the segment (crash protection on)
    std::int32_t unsaved = 0;              // segments kept in memory whose recording could not be written
    std::int32_t unsavedInMemoryOnly = 0;  // of those, the ones no journal would bring back
    StreamStatus stream;                   // the broker's state while streaming is configured
};

// What happened that a client acts on at once, in order.
struct AcquisitionEvent {
    enum class Kind {
        Status,        // a status-bar text: "保存しました." ...
        SavedAs,       // the first recording's name of this measurement (text)
        SegmentEnded,  // a full segment was saved; the store starts the next one
        Saved,         // a recording was written (text: its path, number: samples, first, last: their times)
        PortLost,      // the device vanished; the measurement stopped and was saved (text: why)
        UnitChanged,   // (text: the unit)
        BatteryChanged,    // (number: tenths of a volt)
        SamplingMeasured,  // the automatic period: number = the average in ms, whole = the standard period
        ProtectionOff,     // crash protection off (text: why)
        ProtectionBack,    // the journal holds the segment again (text: its path)
        Stream,            // the broker: a problem, values dropped, or back after a problem (text, logged)
    };
    Kind kind;
    QString text;
    double number = 0;
    std::int32_t whole = 0;
    OleDate first = 0;
    OleDate last = 0;
};

// Bytes received and the port's open and close, as the console shows them (it shows what it
// sends itself).
struct TapEntry {
    enum class Kind { Received, Line } kind;
    QByteArray bytes;  // Received
    QString text;      // Line: "Open(COM3,9600,N,8,1)"
};

// The engine's thread's own: the options in force (a client's change is taken before the next
// frame) and the view the next publish hands out.
struct EngineState {
    AcquisitionOptions opt;
    AcquisitionView view;
};

// Where a piece of the engine reaches the clients, on the engine's thread: an event queued and
// announced at once, or the view published as it stands.
class EngineOutput {
public:
    virtual void announce(AcquisitionEvent e) = 0;
    virtual void publish() = 0;

protected:
    ~EngineOutput() = default;
};

}  // namespace tavin
