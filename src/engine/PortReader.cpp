#include "engine/PortReader.h"

#include "core/app/basLog.h"
#include "core/platform/Errors.h"
#include "engine/CommControl.h"

#include <algorithm>

namespace tavin {

namespace {

// The largest read: a second of the fastest gauge.
constexpr qsizetype ReadChunk = 16 * 1024;

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

}  // namespace

// ---- the pace ----

ReadPace::Clock::duration ReadPace::spread(Clock::time_point readAt, Clock::duration pace) const
{
    const bool waited = paused_ && readAt - listening_ < ListenSlack;
    return waited ? std::min<Clock::duration>(readAt - lastRead_, 2 * pace) : Clock::duration{};
}

bool ReadPace::pauseAfter(Clock::time_point readAt, std::size_t frames, Clock::duration pace)
{
    const bool fast = readAt - lastRead_ < pace * std::max<std::size_t>(frames, 1);
    lastRead_ = readAt;
    paused_ = fast && frames > 0 && paced_;
    return paused_;
}

// ---- the port ----

PortReader::PortReader(const QString& configDir, QObject* owner, EventLog& log)
    : log_(log), port_(new CommControl(configDir, owner)), readBuf_(ReadChunk, Qt::Uninitialized)
{
}

PortReader::~PortReader() { delete port_; }

bool PortReader::isOpen() const { return port_->PortOpen(); }

QString PortReader::open(int port, const QString& device, int baudRate)
{
    const QString settings = QString::number(baudRate) + QStringLiteral(",N,8,1");
    try {
        port_->CommPort = port;
        port_->Device = device;
        port_->Settings = settings;
        port_->setPortOpen(true);
    } catch (const std::exception& e) {
        return describe(e);
    }
    tapLine(QStringLiteral("Open(%1,%2)").arg(PortName(port, device), settings));
    return QString();
}

void PortReader::close(const QString& name)
{
    if (!port_->PortOpen())
        return;
    Trap(log_, QStringLiteral("PortClose"), [&] { port_->setPortOpen(false); });
    tapLine(QStringLiteral("Close(%1)").arg(name));
}

void PortReader::reset()
{
    pace_.reset();
    assembler_.reset();
    blinkCount_ = 0;
}

void PortReader::send(const QByteArray& bytes)
{
    assembler_.reset();
    if (port_->PortOpen())
        port_->Output(bytes);
}

void PortReader::readRest()
{
    pace_.setPacing(false);
    if (port_->PortOpen())
        port_->Poll();
}

// ---- reading and cutting ----

bool PortReader::read(std::int16_t term, std::chrono::milliseconds pace, Frames& to,
                      Clock::time_point* pauseUntil)
{
    const auto readAt = Clock::now();
    const Clock::duration spread = pace_.spread(readAt, pace);
    const std::size_t frames = readAll(term);
    handOn(to, readAt, spread);
    *pauseUntil = readAt + pace;
    return pace_.pauseAfter(readAt, frames, pace);
}

// Everything the port holds, cut into frames; how many.
std::size_t PortReader::readAll(std::int16_t term)
{
    for (;;) {
        const qint64 n = port_->Read(readBuf_.data(), readBuf_.size());
        if (n <= 0)
            break;
        tapReceived(readBuf_.constData(), n);
        cut(readBuf_.constData(), std::size_t(n), term);
    }
    return cutEnds_.size();
}

void PortReader::receive(QByteArrayView bytes, std::int16_t term, Frames& to, Clock::duration spread)
{
    cut(bytes.data(), std::size_t(bytes.size()), term);
    handOn(to, Clock::now(), spread);
}

void PortReader::cut(const char* data, std::size_t size, std::int16_t term)
{
    Trap(log_, QString(),
         [&] { assembler_.RecvAssemble(reinterpret_cast<const std::uint8_t*>(data), size, term, *this); });
}

void PortReader::frame(std::string_view text)
{
    cut_.append(text);
    cutEnds_.push_back(cut_.size());
}

// The frames cut, evenly spread over `spread` before the read, the last one arriving at it.
void PortReader::handOn(Frames& to, Clock::time_point readAt, Clock::duration spread)
{
    const std::size_t k = cutEnds_.size();
    Trap(log_, QString(), [&] {
        std::size_t begin = 0;
        for (std::size_t i = 0; i < k; ++i) {
            to.frame(std::string_view(cut_).substr(begin, cutEnds_[i] - begin),
                     readAt - spread * (k - 1 - i) / k);
            begin = cutEnds_[i];
        }
    });
    cut_.clear();
    cutEnds_.clear();
}

// ---- decoding ----

short PortReader::decode(std::string_view text, std::int16_t term, AcquisitionView& view)
{
    hasValue_ = false;
    switch (term) {
    case 0:
    case 1:
    case 2:
    case 3:
        decoded_ = DecodeVrtRq(text);
        if (decoded_.outcome == Decoded::Outcome::Ignored)
            return text.size() > Decoded::MaxText ? -1 : 0;
        break;
    case 4: decoded_ = DecodeQz(text); break;
    case 5:
        decoded_ = DecodeMw200(text);
        if (decoded_.outcome == Decoded::Outcome::Ignored)
            return 0;
        // The receive lamp blinks at a hundredth of the frame rate for this fast gauge.
        if (++blinkCount_ == 50 || blinkCount_ == 100) {
            view.lampOn = blinkCount_ == 100;
            ++view.lampBlinks;
        }
        if (blinkCount_ >= 100)
            blinkCount_ = 0;
        break;
    default: return 0;
    }
    const Decoded& d = decoded_;
    shown_ = text.size() > Decoded::MaxText ? text : d.text();
    if (d.overlong) {
        view.lastError = latin(text) + QStringLiteral(" ?");
        ++view.errorCount;
    }
    if (d.outcome == Decoded::Outcome::BccError) {
        view.lastError = latin(shown_) + QStringLiteral(" -> BCC Err ") + latin(d.bccReceived()) + u' ' +
                         QString::number(d.bccComputed, 16).toUpper();
        ++view.errorCount;
        return -1;
    }
    if (d.outcome == Decoded::Outcome::BadValue) {  // never stored as the 0 or the digits that Val would read
        view.lastError = latin(shown_) + QStringLiteral(" -> 数値ではありません");
        ++view.errorCount;
        return -1;
    }
    hasValue_ = d.outcome == Decoded::Outcome::Value;
    return 0;
}

// ---- the console's tap ----

std::vector<TapEntry> PortReader::takeTap()
{
    std::lock_guard lock(tapM_);
    std::vector<TapEntry> taken(std::make_move_iterator(tap_.begin()), std::make_move_iterator(tap_.end()));
    tap_.clear();
    tapBytes_ = 0;
    return taken;
}

void PortReader::tapLine(const QString& text)
{
    std::lock_guard lock(tapM_);
    tap_.push_back({TapEntry::Kind::Line, {}, text});
}

void PortReader::tapReceived(const char* data, qsizetype size)
{
    if (!tapOn_.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(tapM_);
    tap_.push_back({TapEntry::Kind::Received, QByteArray(data, size), {}});
    tapBytes_ += size;
    // Bounded: a console nobody looks at drops the oldest bytes.
    while (tapBytes_ > TapMaxBytes && tap_.size() > 1) {
        tapBytes_ -= tap_.front().bytes.size();
        tap_.pop_front();
    }
}

}  // namespace tavin
