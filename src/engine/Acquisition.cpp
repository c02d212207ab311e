#include "engine/Acquisition.h"

#include "core/app/basLog.h"
#include "core/decode/Sampling.h"
#include "core/files/AnalysisCsv.h"
#include "core/files/Journal.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/platform/FileOps.h"
#include "core/platform/NumText.h"
#include "core/trend/SampleStore.h"
#include "engine/CommControl.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <future>

namespace tavin {

namespace {

// The largest read: a second of the fastest gauge.
constexpr qsizetype ReadChunk = 16 * 1024;
// How soon after the engine came back to listen bytes count as having waited for it.
constexpr auto ListenSlack = std::chrono::microseconds(500);

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QString unitName(char unit)
{
    switch (unit) {
    case 'M': return QStringLiteral("MPa");
    case 'k': return QStringLiteral("kPa");
    case 'P': return QStringLiteral("Pa");
    default: return QStringLiteral(" ");
    }
}

QString dateText(OleDate d) { return d == 0 ? QString() : FormatDate(d, u"yyyy年m月d日 hh:nn:ss"); }

}  // namespace

Acquisition::Acquisition(const AppEnv& env, EventLog& log, SampleStore& store, Journal& journal,
                         UnsavedRecordings& unsaved)
    : env_(env), log_(log), store_(store), journal_(journal), unsaved_(unsaved), thread_(new QThread),
      port_(new CommControl(env.exeDir, this)), tick_(new QTimer(this)), streamTick_(new QTimer(this)),
      readBuf_(ReadChunk, Qt::Uninitialized)
{
    connect(tick_, &QTimer::timeout, this, &Acquisition::tick);
    streamTick_->setInterval(250);
    connect(streamTick_, &QTimer::timeout, this, &Acquisition::watchStream);
    connect(port_, &CommControl::OnComm, this, &Acquisition::onReceived);
    connect(port_, &CommControl::deviceLost, this, &Acquisition::onLost);
    thread_->setObjectName(QStringLiteral("acquisition"));
    moveToThread(thread_);
    // The thread's event loop is made before the first call is queued to it (seen so by
    // ThreadSanitizer too, which does not see inside Qt).
    std::promise<void> running;
    const QMetaObject::Connection started = connect(
        thread_, &QThread::started, thread_,
        [this, &running] {
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                    [this] { listening_ = Clock::now(); });
            running.set_value();
        },
        Qt::DirectConnection);
    thread_->start(QThread::TimeCriticalPriority);
    running.get_future().wait();
    disconnect(started);
}

Acquisition::~Acquisition()
{
    QThread* home = QThread::currentThread();
    call([&] {
        journal_.publish();  // what was measured stays in the journal for the next start
        endStream();         // what the broker has not taken yet goes while it takes it
        delete port_;
        port_ = nullptr;
        delete tick_;
        tick_ = nullptr;
        delete streamTick_;
        streamTick_ = nullptr;
        moveToThread(home);
        thread_->quit();  // from the thread itself: nothing of ours wakes its loop after this call
    });
    thread_->wait();
    delete thread_;
    std::lock_guard lock(m_);  // the thread's last writes before anything is destroyed here
}

bool Acquisition::onThread() const { return QThread::currentThread() == thread(); }

void Acquisition::call(const std::function<void()>& fn)
{
    if (onThread()) {
        fn();
        return;
    }
    std::promise<void> done;
    {
        std::lock_guard lock(m_);
        calls_.push_back([&] {
            try {
                fn();
                done.set_value();
            } catch (...) {
                done.set_exception(std::current_exception());
            }
        });
        // Queued by name and under m_: the event then carries nothing the caller frees, and the
        // engine's thread takes m_ before it handles the event, so the hand-over is one that
        // ThreadSanitizer sees (it does not see inside Qt, whose events and reference counts
        // are what a queued functor would pass through).
        QMetaObject::invokeMethod(this, "runCalls", Qt::QueuedConnection);
    }
    wake_.notify_one();  // a paced read's pause ends for it
    done.get_future().get();
}

void Acquisition::runCalls()
{
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard lock(m_);
        calls.swap(calls_);
    }
    for (const auto& c : calls)
        c();
}

// ---- options ----

void Acquisition::setOptions(const AcquisitionOptions& options)
{
    {
        std::lock_guard lock(m_);
        wanted_ = options;
    }
    optionsChanged_.store(true, std::memory_order_release);
    if (!measuring())
        call([this] { applyOptions(); });
}

AcquisitionOptions Acquisition::options() const
{
    std::lock_guard lock(m_);
    return wanted_;
}

void Acquisition::applyOptions()
{
    // A load first: the receive path asks at every read, and options seldom change.
    if (!optionsChanged_.load(std::memory_order_relaxed) ||
        !optionsChanged_.exchange(false, std::memory_order_acquire))
        return;
    AcquisitionOptions o;
    {
        std::lock_guard lock(m_);
        o = wanted_;
    }
    const AcquisitionOptions was = opt_;
    opt_ = o;
    if (o.term != was.term)
        mine_.battery = 0;
    // A unit chosen by hand, and "---" when the frames take over again.
    if ((!o.unitAuto && o.unit != was.unit) || o.unitAuto != was.unitAuto)
        setUnit(o.unit);
    if (o.sampling != was.sampling || o.keisu != was.keisu || o.rangePlus != was.rangePlus ||
        o.rangeMinus != was.rangeMinus)
        journalHeaderAgain();
    if (o.sampling != was.sampling)
        streamAxis_.setPeriod(o.sampling);
    // The default topic names the port.
    if (o.stream != was.stream ||
        (o.stream.topic.isEmpty() && PortName(o.port, o.device) != PortName(was.port, was.device)))
        restartStream();
    streamContext();
}

// ---- start and stop ----

QString Acquisition::start(const AcquisitionOptions& options)
{
    QString why;
    {
        std::lock_guard lock(m_);
        wanted_ = options;
    }
    optionsChanged_.store(true, std::memory_order_release);
    call([&] {
        applyOptions();
        if (port_->PortOpen()) {
            why = QStringLiteral("ポートは既に開いています。");
            return;
        }
        const QString settings = QString::number(opt_.baudRate) + QStringLiteral(",N,8,1");
        if (!opt_.noPort) {
            try {
                port_->CommPort = opt_.port;
                port_->Device = opt_.device;
                port_->Settings = settings;
                port_->setPortOpen(true);
            } catch (const std::exception& e) {
                why = describe(e);
                return;
            }
            portOpen_.store(true, std::memory_order_release);
            tapLine(QStringLiteral("Open(%1,%2)").arg(portName(), settings));
        }
        acked_.store(generation_, std::memory_order_relaxed);
        pacing_ = true;
        paused_ = false;
        held_.clear();
        heldJournaled_ = 0;
        store_.Restart();
        store_.ave.AveReset(opt_.aveLength);
        assembler_.reset();
        firstFrameTicks_ = 0;
        refreshCount_ = 0;
        blinkCount_ = 0;
        savedNameShown_ = false;
        protectionOff_ = false;
        journalRetryAt_ = 0;
        mine_.errorCount = 0;
        mine_.lastError.clear();
        mine_.startCount = 1;
        mine_.startTime = env_.now();
        mine_.reference = 0;
        mine_.fileNo = 1;
        mine_.protecting = true;
        streamAxis_ = SegmentAxis(opt_.sampling);
        streamContext();
        measuring_.store(true, std::memory_order_release);
        mine_.measuring = true;
        tick_->start(opt_.publishMs);
        publish();
    });
    return why;
}

void Acquisition::stop()
{
    call([this] {
        // A fast gauge's frames may wait unread for a pace: what came before the stop is stored.
        pacing_ = false;
        if (port_->PortOpen())
            port_->Poll();
        // The client waits here, so it reads nothing: the samples held for it can be stored,
        // however many segments they fill (each full one is saved and ends the hold again).
        do {
            acked_.store(generation_, std::memory_order_relaxed);
            drainHeld();
        } while (!held_.empty());
        stopHere();
    });
}

void Acquisition::stopHere()
{
    if (port_ && port_->PortOpen()) {
        Trap(log_, QStringLiteral("PortClose"), [&] { port_->setPortOpen(false); });
        tapLine(QStringLiteral("Close(%1)").arg(portName()));
    }
    portOpen_.store(false, std::memory_order_release);
    if (!measuring_.load(std::memory_order_relaxed))
        return;
    if (tick_)
        tick_->stop();
    mine_.endTime = env_.now();
    saveSegment();
    if (stream_)
        stream_->flush();
    measuring_.store(false, std::memory_order_release);
    mine_.measuring = false;
    // Nothing is measured any more: what the journal did not hold is saved or kept as unsaved.
    protectionOff_ = false;
    mine_.protecting = true;
    publish();
}

QString Acquisition::portName() const { return PortName(opt_.port, opt_.device); }

void Acquisition::onLost(const QString& reason)
{
    portOpen_.store(false, std::memory_order_release);
    log_.LogMsg(1, QStringLiteral("MSComm1_OnComm"),
                QStringLiteral("ポートが切断されました。(%1: %2)").arg(portName(), reason));
    event(AcquisitionEvent::Kind::PortLost, reason);
}

// ---- receiving ----

void Acquisition::onReceived()
{
    // The control reports waiting bytes only: a vanished device comes as deviceLost.
    if (port_->CommEvent() != CommControl::comEvReceive)
        return;
    applyOptions();
    const auto readAt = Clock::now();
    // Bytes that woke a listening engine arrived just now; bytes that were already waiting when it
    // came back to listen after a pause arrived during the pause.
    const bool waited = paused_ && readAt - listening_ < ListenSlack;
    const auto pace = std::chrono::milliseconds(opt_.paceMs);
    const Clock::duration deaf =
        waited ? std::min<Clock::duration>(readAt - lastRead_, 2 * pace) : Clock::duration{};
    for (;;) {
        const qint64 n = port_->Read(readBuf_.data(), readBuf_.size());
        if (n <= 0)
            break;
        tapReceived(readBuf_.constData(), n);
        Trap(log_, QString(), [&] {
            assembler_.RecvAssemble(reinterpret_cast<const std::uint8_t*>(readBuf_.constData()),
                                    std::size_t(n), opt_.term, *this);
        });
    }
    const std::size_t frames = cutEnds_.size();
    storeCut(readAt, deaf);
    // A gauge that sends more than a frame per pace is read once a pace: waking costs the system
    // many times what a frame does. The frames then waiting are stamped as spread over the pause.
    const bool fast = readAt - lastRead_ < pace * std::max<std::size_t>(frames, 1);
    lastRead_ = readAt;
    paused_ = fast && frames > 0 && pacing_;
    if (paused_) {
        std::unique_lock lock(m_);
        wake_.wait_until(lock, readAt + pace, [this] { return !calls_.empty(); });
    }
}

void Acquisition::frame(std::string_view text)
{
    cut_.append(text);
    cutEnds_.push_back(cut_.size());
}

void Acquisition::storeCut(Clock::time_point readAt, Clock::duration spread)
{
    const std::size_t k = cutEnds_.size();
    Trap(log_, QString(), [&] {
        std::size_t begin = 0;
        for (std::size_t i = 0; i < k; ++i) {
            // Evenly spread over `spread` before the read, the last frame arriving at it; how long
            // ago is taken at each frame, as a segment's save may come between two.
            const Clock::time_point arrived = readAt - spread * (k - 1 - i) / k;
            const auto ago = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - arrived);
            framesSeen_.fetch_add(1, std::memory_order_relaxed);
            decodeAndStore(std::string_view(cut_).substr(begin, cutEnds_[i] - begin), ago);
            begin = cutEnds_[i];
        }
    });
    cut_.clear();
    cutEnds_.clear();
}

short Acquisition::decodeAndStore(std::string_view text, std::chrono::microseconds ago)
{
    const OleDate now = env_.now(ago);
    // The automatic sampling period: the average over the first ten frames stored, rounded to a
    // standard period.
    const auto ticks = std::int32_t(ClockMs() - ago.count() / 1000);
    if (firstFrameTicks_ == 0)
        firstFrameTicks_ = ticks == 0 ? 1 : ticks;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (opt_.samplingAuto && count > 0 && count % 10 == 0) {
        const float average = float(ticks - firstFrameTicks_) / float(count);
        opt_.samplingAuto = false;
        opt_.sampling = SampToStd(average);
        streamAxis_.setPeriod(opt_.sampling);  // nothing placed yet: the stream waited for it
        {
            std::lock_guard lock(m_);
            wanted_.samplingAuto = false;
            wanted_.sampling = opt_.sampling;
        }
        journalHeaderAgain();
        streamContext();
        event(AcquisitionEvent::Kind::SamplingMeasured, {}, average, opt_.sampling);
    }
    arrived(now);

    Decoded d;
    switch (opt_.term) {
    case 0:
    case 1:
    case 2:
    case 3:
        d = DecodeVrtRq(text);
        if (d.outcome == Decoded::Outcome::Ignored)
            return text.size() > Decoded::MaxText ? -1 : 0;
        break;
    case 4: d = DecodeQz(text); break;
    case 5:
        d = DecodeMw200(text);
        if (d.outcome == Decoded::Outcome::Ignored)
            return 0;
        // The receive lamp blinks at a hundredth of the frame rate for this fast gauge.
        if (++blinkCount_ == 50 || blinkCount_ == 100) {
            mine_.lampOn = blinkCount_ == 100;
            ++mine_.lampBlinks;
        }
        if (blinkCount_ >= 100)
            blinkCount_ = 0;
        break;
    default: return 0;
    }

    // A frame longer than a decoder keeps (kinds 4 and 5) is shown and read whole.
    const std::string_view shown = text.size() > Decoded::MaxText ? text : d.text();
    if (d.overlong) {
        mine_.lastError = latin(text) + QStringLiteral(" ?");
        ++mine_.errorCount;
    }
    if (d.outcome == Decoded::Outcome::BccError) {
        mine_.lastError = latin(shown) + QStringLiteral(" -> BCC Err ") + latin(d.bccReceived()) + u' ' +
                          QString::number(d.bccComputed, 16).toUpper();
        ++mine_.errorCount;
        return -1;
    }
    if (d.outcome == Decoded::Outcome::BadValue) {  // never stored as the 0 or part that Val would read
        mine_.lastError = latin(shown) + QStringLiteral(" -> 数値ではありません");
        ++mine_.errorCount;
        return -1;
    }
    if (d.outcome != Decoded::Outcome::Value)
        return 0;
    if (d.batteryRead && d.battery != mine_.battery) {
        mine_.battery = d.battery;
        event(AcquisitionEvent::Kind::BatteryChanged, {}, d.battery);
    }
    SetDispFormat(count + std::int32_t(held_.size()), dispFormat_, shown);
    if (d.setsUnit && opt_.unitAuto)
        setUnit(unitName(d.unit));
    if (d.setsReference)
        mine_.reference = d.reference;
    store(d.value, now);
    return 0;
}

void Acquisition::store(float value, OleDate now)
{
    const bool refresh = RefreshDue(refreshCount_, opt_.sampling, lastRecvTime_, prevRecvTime_);
    const bool average = store_.ave.AveNum > 1;
    float mean = value;
    if (average) {
        store_.ave.AveAdd(value);
        mean = store_.ave.AveGet();
    }
    // The limit was lowered while recording: the segment ends first, and the sample opens the next.
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (held_.empty() && !isHeld() && count > 0 && count >= opt_.maxDatas)
        endSegment(count - 1);
    // Through the queue of held samples, which keeps its capacity: in order behind any that wait.
    held_.push_back({value, now, mean, average});
    drainHeld();
    const float shown = opt_.readoutAverage
                            ? (average ? mean : store_.g_AveDatas[std::size_t(std::max(0, count))])
                            : opt_.keisu * value;
    if (refresh) {
        refreshCount_ = 0;
        ++mine_.readouts;
        mine_.readoutValue = shown;
        mine_.readoutFormat = dispFormat_;
        mine_.limits = CheckLimits(shown, opt_.limitHi, opt_.limitLow, opt_.etcConf);
    }
}

// A frame came: the readout's refresh counts frames and looks at the last two arrival times.
void Acquisition::arrived(OleDate now)
{
    prevRecvTime_ = lastRecvTime_;
    lastRecvTime_ = now;
    if (refreshCount_ < INT16_MAX)
        ++refreshCount_;
}

bool Acquisition::isHeld() const { return acked_.load(std::memory_order_acquire) != generation_; }

void Acquisition::append(const Held& h, bool journaled)
{
    const std::int32_t index = store_.Append(h.value, h.time, h.averaged ? &h.mean : nullptr);
    if (!journaled)
        journalSample(index, h.value, h.time);
    streamPlaced(false);
    if (index + 1 >= opt_.maxDatas)
        endSegment(index);
}

void Acquisition::drainHeld()
{
    std::size_t taken = 0;
    while (taken < held_.size() && !isHeld()) {
        const std::int32_t generation = generation_;
        append(held_[taken], taken < heldJournaled_);
        ++taken;
        if (generation_ != generation)
            heldJournaled_ = 0;  // the rest belong to a segment whose journal is not open yet
    }
    held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(taken));
    heldJournaled_ = heldJournaled_ > taken ? heldJournaled_ - taken : 0;
    journalHeld();
}

// Samples held for the client go to the next segment's journal as they come, as the others do:
// a client that does not let go (a recorder whose output nobody reads) must not leave them
// unprotected. While held the store is empty, so the first `maxDatas` of them fill the segment.
void Acquisition::journalHeld()
{
    const std::size_t fit = std::min(held_.size(), std::size_t(std::max(opt_.maxDatas, 0)));
    if (heldJournaled_ >= fit || !measuring_.load(std::memory_order_relaxed))
        return;
    if (heldJournaled_ == 0) {
        if (journal_.active())
            journal_.release(journal_.keep());  // a segment that ended unsaved: left for the recovery
        // Folders that took no journal are tried again at the pace of checkJournal.
        if (ClockMs() < journalRetryAt_)
            return;
        if (!openJournal(false)) {
            journalRetryAt_ = ClockMs() + journalRetryMs;
            return;
        }
    }
    journalHeldSamples(heldJournaled_, fit);
    heldJournaled_ = fit;
}

// Held samples [from, to) into the journal, each with its time when it is not the one before's.
void Acquisition::journalHeldSamples(std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        journal_.sample(held_[i].value,
                        i > 0 && held_[i].time != held_[i - 1].time ? &held_[i].time : nullptr);
}

void Acquisition::injectValue(float value)
{
    call([&] {
        applyOptions();
        const OleDate now = env_.now();
        arrived(now);
        store(value, now);
        publish();
    });
}

void Acquisition::receive(QByteArrayView bytes)
{
    call([&] {
        applyOptions();
        Trap(log_, QString(), [&] {
            assembler_.RecvAssemble(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                    std::size_t(bytes.size()), opt_.term, *this);
        });
        storeCut(Clock::now(), {});
        publish();
    });
}

short Acquisition::inject(std::string_view frame)
{
    short result = 0;
    call([&] {
        applyOptions();
        framesSeen_.fetch_add(1, std::memory_order_relaxed);
        Trap(log_, QString(), [&] { result = decodeAndStore(frame, {}); });
        publish();
    });
    return result;
}

// ---- segments ----

void Acquisition::endSegment(std::int32_t lastIndex)
{
    mine_.endTime = env_.now();
    saveSegment();
    mine_.startCount += lastIndex;
    mine_.startTime = env_.now();
    store_.g_FileNo += 1;
    mine_.fileNo = store_.g_FileNo;
    streamAxis_ = SegmentAxis(opt_.sampling);
    streamContext();
    // From here the samples wait until the client holds nothing of the segment saved.
    ++generation_;
    mine_.generation = generation_;
    store_.g_DataCnt.store(0, std::memory_order_release);
    event(AcquisitionEvent::Kind::SegmentEnded);
}

void Acquisition::acknowledge(std::int32_t generation)
{
    acked_.store(generation, std::memory_order_release);
    // The samples that waited go in now, not at the next frame: a slow gauge's may be a while.
    call([this] {
        drainHeld();
        publish();
    });
}

CsvHeader Acquisition::header() const
{
    return RecordingHeader(dateText(mine_.startTime), store_.g_FileNo, opt_.sampling, opt_.rangePlus,
                           opt_.rangeMinus, mine_.unit, opt_.keisu);
}

bool Acquisition::autoSave(QString* triedPath)
{
    const QString name =
        FileExtentionAddCheck(opt_.baseName, AutoSaveSuffix(mine_.startTime, store_.g_FileNo, env_.now()));
    const QString path = QDir(opt_.saveDir).filePath(name);
    *triedPath = path;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (count == 0)
        return true;
    if (!savedNameShown_) {
        savedNameShown_ = true;
        event(AcquisitionEvent::Kind::SavedAs, name);
    }
    const CsvHeader h = header();
    const QString endText = dateText(mine_.endTime);
    const SavedRecording saved =
        SaveRecording(log_, env_, FileExtentionAddCheck(path, QString()), [&](QIODevice& f) {
            return WriteCsv(f, h, store_.g_Datas.data(), store_.g_DataTime.data(), 0, count - 1, endText);
        });
    if (saved.outcome != SaveOutcome::Failed)
        this->saved(saved.path, h, store_.g_Datas.data(), store_.g_DataTime.data(), std::size_t(count));
    switch (saved.outcome) {
    case SaveOutcome::Saved: event(AcquisitionEvent::Kind::Status, QStringLiteral("保存しました.")); break;
    case SaveOutcome::SavedInDocuments:
        event(AcquisitionEvent::Kind::Status, QStringLiteral("ドキュメントフォルダに保存しました."));
        break;
    case SaveOutcome::Failed:
        event(AcquisitionEvent::Kind::Status, QStringLiteral("保存に失敗しました."));
        break;
    }
    return saved.outcome != SaveOutcome::Failed;
}

// The segment ended (full store, stop): its recording is written and its journal removed, or,
// when it cannot be written, it is kept with its journal and saved again later.
void Acquisition::saveSegment()
{
    streamPlaced(true);      // the segment's values go before its message
    saveUnsavedHere(false);  // older segments first, so that recordings keep their order
    QString path;
    bool saved = false;
    Trap(log_, QString(), [&] { saved = autoSave(&path); });
    if (saved) {
        journal_.remove();
        return;
    }
    const auto n = std::ptrdiff_t(store_.g_DataCnt.load(std::memory_order_relaxed));
    unsaved_.add({path, header(), dateText(mine_.endTime),
                  std::vector<float>(store_.g_Datas.begin(), store_.g_Datas.begin() + n),
                  std::vector<OleDate>(store_.g_DataTime.begin(), store_.g_DataTime.begin() + n),
                  journal_.keep()},
                 log_, journal_);
    countUnsaved();
}

bool Acquisition::saveNow()
{
    bool saved = false;
    call([&] {
        QString path;
        Trap(log_, QString(), [&] { saved = autoSave(&path); });
        publish();
    });
    return saved;
}

int Acquisition::saveUnsaved()
{
    int saved = 0;
    call([&] {
        saved = saveUnsavedHere(true);
        publish();
    });
    return saved;
}

int Acquisition::saveUnsavedHere(bool announce)
{
    if (unsaved_.empty())
        return 0;
    const int saved =
        unsaved_.saveAll(log_, env_, journal_, [this](const UnsavedRecording& r, const QString& path) {
            this->saved(path, r.header, r.values.data(), r.times.data(), r.values.size());
        });
    if (saved > 0 && announce)
        event(AcquisitionEvent::Kind::Status, QStringLiteral("保存できなかった測定データを保存しました."));
    countUnsaved();
    return saved;
}

void Acquisition::countUnsaved()
{
    mine_.unsaved = unsaved_.count();
    mine_.unsavedInMemoryOnly = unsaved_.inMemoryOnly(journal_);
}

// ---- the journal ----

void Acquisition::journalSample(std::int32_t index, float value, OleDate time)
{
    if (index > 0) {
        if (journal_.active())
            journal_.sample(value, time != store_.g_DataTime[std::size_t(index) - 1] ? &time : nullptr);
        return;
    }
    // A journal still open here belongs to a segment that ended without a save: leave it whole
    // for the recovery rather than lose it.
    if (journal_.active())
        journal_.release(journal_.keep());
    if (measuring_.load(std::memory_order_relaxed))
        openJournal(false);
}

bool Acquisition::openJournal(bool replacing)
{
    // The segment so far: the store's samples, or while the client holds the one before, the
    // samples held for it that were journaled (the store is empty then).
    const auto n = std::size_t(store_.g_DataCnt.load(std::memory_order_relaxed));
    const bool fromHeld = n == 0 && !held_.empty();
    const OleDate first = n > 0 ? store_.g_DataTime[0] : fromHeld ? held_.front().time : env_.now();
    const QByteArray text = CsvHeaderText(header(), &first);
    QStringList failures;
    // Beside the recordings, or where they go when the save folder cannot be written.
    for (const QString& folder : {opt_.saveDir, DocumentsFolder(env_)}) {
        const QString path = JournalPath(folder, opt_.baseName, mine_.startTime, store_.g_FileNo);
        QString why;
        if (replacing ? journal_.replace(path, text, &why) : journal_.begin(path, text, &why)) {
            rememberJournalFolder(folder);
            for (std::size_t i = 0; i < n; ++i)
                journal_.sample(store_.g_Datas[i], i > 0 && store_.g_DataTime[i] != store_.g_DataTime[i - 1]
                                                       ? &store_.g_DataTime[i]
                                                       : nullptr);
            if (fromHeld)
                journalHeldSamples(0, heldJournaled_);
            return true;
        }
        failures << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), why);
    }
    journalOff(failures.join(QStringLiteral(", ")));
    return false;
}

void Acquisition::setJournalFolders(const QStringList& folders)
{
    call([&] {
        // A recovery running beside a measurement may have written the list before this engine's
        // first journal was there: the folders it opened journals in are listed again.
        const QStringList opened = journalFolders_;
        journalFolders_ = folders;
        for (const QString& f : opened)
            rememberJournalFolder(f);
    });
}

void Acquisition::rememberJournalFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (journalFolders_.contains(clean))
        return;
    journalFolders_.append(clean);
    writeJournalFolders();
}

void Acquisition::writeJournalFolders()
{
    // Another copy of the program may have remembered folders of its own meanwhile. One that holds
    // the list longer than the port's buffer lasts is not waited for: the next looks try again.
    folderListPending_ = !UpdateJournalFolders(
        JournalFolderList(env_), [&](QStringList& all) { all += journalFolders_; }, 200);
    folderListRetryAt_ = ClockMs() + journalRetryMs;
}

// The unit, coefficient, range or sampling changed: the journal takes the header again.
void Acquisition::journalHeaderAgain()
{
    if (journal_.active() && store_.g_DataCnt.load(std::memory_order_relaxed) > 0)
        journal_.line(CsvHeaderText(header(), &store_.g_DataTime[0]));
}

void Acquisition::checkJournal()
{
    journal_.publish();
    if (const QString failure = journal_.takeFailure(); !failure.isEmpty()) {
        if (measuring_.load(std::memory_order_relaxed))
            journalOff(failure);
        else  // the journal of a segment kept unsaved: the unsaved count says what is at stake
            log_.LogMsg(1, QStringLiteral("Journal"),
                        QStringLiteral("ジャーナルを書き込めません: ") + failure);
    }
    countUnsaved();
    if (folderListPending_ && ClockMs() >= folderListRetryAt_)
        writeJournalFolders();
    if (!measuring_.load(std::memory_order_relaxed) ||
        (store_.g_DataCnt.load(std::memory_order_relaxed) == 0 && heldJournaled_ == 0))
        return;
    // A file that cannot take lines any more, or none at all: a new one with the segment so far,
    // at most every few seconds, so that a disk that fails every sync is not filled with them.
    if ((journal_.needsNewFile() || !journal_.active()) && ClockMs() >= journalRetryAt_) {
        journalRetryAt_ = ClockMs() + journalRetryMs;
        openJournal(journal_.active());
    }
    if (protectionOff_ && journal_.protecting()) {
        protectionOff_ = false;
        mine_.protecting = true;
        log_.LogMsg(1, QStringLiteral("Journal"),
                    QStringLiteral("ジャーナルへの書き込みを再開しました: ") +
                        QDir::toNativeSeparators(journal_.path()));
        event(AcquisitionEvent::Kind::ProtectionBack, journal_.path());
    }
}

// Crash protection is off until the journal takes lines again: logged once, and announced.
void Acquisition::journalOff(const QString& why)
{
    if (protectionOff_)
        return;
    protectionOff_ = true;
    mine_.protecting = false;
    log_.LogMsg(1, QStringLiteral("Journal"),
                QStringLiteral("ジャーナルを書き込めません。測定はメモリ上で続けます: ") + why);
    event(AcquisitionEvent::Kind::ProtectionOff, why);
}

void Acquisition::checkJournalNow()
{
    call([this] {
        checkJournal();
        publish();
    });
}

// ---- publishing ----

void Acquisition::setUnit(const QString& unit)
{
    if (unit == mine_.unit)
        return;
    mine_.unit = unit;
    journalHeaderAgain();
    streamContext();
    event(AcquisitionEvent::Kind::UnitChanged, unit);
}

void Acquisition::tick()
{
    applyOptions();
    drainHeld();
    checkJournal();
    publish();
}

void Acquisition::publish()
{
    std::lock_guard lock(m_);
    published_ = mine_;
}

void Acquisition::event(AcquisitionEvent::Kind kind, const QString& text, double number, std::int32_t whole)
{
    event({kind, text, number, whole});
}

void Acquisition::event(AcquisitionEvent e)
{
    {
        std::lock_guard lock(m_);
        published_ = mine_;
        events_.push_back(std::move(e));
    }
    Q_EMIT news();
}

void Acquisition::saved(const QString& path, const CsvHeader& header, const float* values,
                        const OleDate* times, std::size_t samples)
{
    if (opt_.analysisCsv) {
        const AnalysisColumns columns{header.unit, header.keisu, false, header.sampling};
        const QString target = AnalysisCsvPath(path);
        QString why;
        const auto write = [&](QIODevice& f) {
            return WriteAnalysisCsv(f, columns, values, nullptr, times, 0, std::int32_t(samples) - 1);
        };
        if (WriteNewFile(target, write, &why).isEmpty())
            log_.LogMsg(2, QStringLiteral("AnalysisCsv"),
                        QStringLiteral("解析用 CSV を書けませんでした: %1 (%2)")
                            .arg(QDir::toNativeSeparators(target), why));
    }
    if (stream_) {
        SegmentAxis axis(header.sampling);
        std::int64_t first = 0;
        axis.next(times, std::int32_t(samples), true, &first);
        std::int64_t last = first;
        while (axis.next(times, std::int32_t(samples), true, &last)) {
        }
        stream_->segment(path, std::int64_t(samples), first - AxisEpochOffsetMs(times[0]),
                         last - AxisEpochOffsetMs(times[samples - 1]));
    }
    event({AcquisitionEvent::Kind::Saved, path, double(samples), 0, times[0], times[samples - 1]});
}

AcquisitionView Acquisition::view(std::vector<AcquisitionEvent>* events)
{
    std::lock_guard lock(m_);
    if (events) {
        for (AcquisitionEvent& e : events_)
            events->push_back(std::move(e));
        events_.clear();
    }
    return published_;
}

// ---- streaming ----

// What the broker has not acknowledged goes while it takes it (a few seconds at most); what is
// left is logged, as the recordings hold it. Options that change the broker seldom do: at start.
QString Acquisition::endStream()
{
    if (!stream_)
        return QString();
    stream_->close();
    QString left;
    if (const std::int64_t n = stream_->status().backlog; n > 0) {
        left = QStringLiteral(
                   "MQTT ブローカーへ送れなかった %1 値を残して送信を終えます (値は記録ファイルにあります)。")
                   .arg(n);
        log_.LogMsg(1, QStringLiteral("MQTT"), left);
    }
    stream_.reset();
    return left;
}

QString Acquisition::closeStream()
{
    QString left;
    call([&] { left = endStream(); });
    return left;
}

void Acquisition::restartStream()
{
    endStream();
    mine_.stream = {};
    streamProblemsSeen_ = 0;
    droppingSaid_ = false;
    if (!opt_.stream.on()) {
        streamTick_->stop();
        publish();
        return;
    }
    StreamOptions o = opt_.stream;
    if (o.topic.isEmpty())
        o.topic = DefaultTopic(portName());
    stream_ = std::make_unique<MqttPublisher>(o, streamContextNow());
    log_.LogMsg(
        0, QStringLiteral("MQTT"),
        QStringLiteral("MQTT ブローカー %1 のトピック %2 へ送ります。").arg(UrlForText(o.url), o.topic));
    streamTick_->start();
    watchStream();
}

void Acquisition::streamContext()
{
    if (stream_)
        stream_->setContext(streamContextNow());
}

// Hands the stream the samples whose place on the segment's axis is known: each as it comes, the
// segment's first second once it is over, the rest when the segment ends (`final`). While the
// period is being measured from the first frames, nothing is placed before the segment ends.
void Acquisition::streamPlaced(bool final)
{
    if (!stream_ || (opt_.samplingAuto && !final))
        return;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    std::int64_t ms = 0;
    while (streamAxis_.next(store_.g_DataTime.data(), count, final, &ms)) {
        const auto i = std::size_t(streamAxis_.placed() - 1);
        if (store_.g_DataTime[i] != streamStamp_) {
            streamStamp_ = store_.g_DataTime[i];
            streamOffsetMs_ = AxisEpochOffsetMs(streamStamp_);
        }
        stream_->sample(store_.g_Datas[i], ms - streamOffsetMs_, std::int32_t(i) + 1);
    }
}

StreamContext Acquisition::streamContextNow() const
{
    return {mine_.unit, opt_.keisu, opt_.sampling, opt_.term,
            QFileInfo(SegmentStem(opt_.baseName, mine_.startTime, store_.g_FileNo)).fileName()};
}

// The broker's state for the clients; what went wrong is logged and announced once.
void Acquisition::watchStream()
{
    if (!stream_)
        return;
    const StreamStatus s = stream_->status();
    using Link = StreamStatus::Link;
    const auto announce = [this](int level, const QString& text) {
        log_.LogMsg(level, QStringLiteral("MQTT"), text);
        event(AcquisitionEvent::Kind::Stream, text);
    };
    if (s.problems != streamProblemsSeen_) {
        streamProblemsSeen_ = s.problems;
        if (!s.problem.isEmpty())
            announce(1, s.problem);
    }
    if (s.link == Link::Connected && mine_.stream.link != Link::Connected) {
        droppingSaid_ = false;
        if (s.problems > 0)
            announce(0, QStringLiteral("MQTT ブローカー %1 に接続しました。").arg(s.broker));
        else
            log_.LogMsg(0, QStringLiteral("MQTT"),
                        QStringLiteral("MQTT ブローカー %1 に接続しました。").arg(s.broker));
    }
    if (s.dropped > mine_.stream.dropped && !droppingSaid_) {
        droppingSaid_ = true;
        announce(
            1, QStringLiteral(
                   "MQTT ブローカーに送れない値が保持できる量 (%1 値) を超えたため、古い値から捨てています。"
                   "捨てた範囲は gap トピックで知らせます。")
                   .arg(opt_.stream.backlogSamples));
    }
    mine_.stream = s;
    publish();
}

// ---- the console ----

void Acquisition::send(const QByteArray& bytes)
{
    call([&] {
        assembler_.reset();
        if (!port_->PortOpen())
            return;
        port_->Output(bytes);
    });
}

void Acquisition::resetFrame()
{
    call([this] { assembler_.reset(); });
}

void Acquisition::setTap(bool on) { tapOn_.store(on, std::memory_order_relaxed); }

std::vector<TapEntry> Acquisition::takeTap()
{
    std::lock_guard lock(m_);
    std::vector<TapEntry> taken(std::make_move_iterator(tap_.begin()), std::make_move_iterator(tap_.end()));
    tap_.clear();
    tapBytes_ = 0;
    return taken;
}

void Acquisition::tapLine(const QString& text)
{
    std::lock_guard lock(m_);
    tap_.push_back({TapEntry::Kind::Line, {}, text});
}

void Acquisition::tapReceived(const char* data, qsizetype size)
{
    if (!tapOn_.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(m_);
    tap_.push_back({TapEntry::Kind::Received, QByteArray(data, size), {}});
    tapBytes_ += size;
    // Bounded: a console nobody looks at drops the oldest bytes.
    while (tapBytes_ > TapMaxBytes && tap_.size() > 1) {
        tapBytes_ -= tap_.front().bytes.size();
        tap_.pop_front();
    }
}

}  // namespace tavin
