#include "engine/Acquisition.h"

#include "core/app/basLog.h"
#include "core/decode/Sampling.h"
#include "core/files/Journal.h"
#include "core/platform/AppEnv.h"
#include "core/platform/NumText.h"
#include "core/trend/SampleStore.h"
#include "engine/CommControl.h"
#include "engine/SegmentKeeper.h"
#include "engine/StreamFeed.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <future>

namespace tavin {

namespace {

QString unitName(char unit)
{
    switch (unit) {
    case 'M': return QStringLiteral("MPa");
    case 'k': return QStringLiteral("kPa");
    case 'P': return QStringLiteral("Pa");
    default: return QStringLiteral(" ");
    }
}

}  // namespace

Acquisition::Acquisition(const AppEnv& env, EventLog& log, SampleStore& store, Journal& journal,
                         UnsavedRecordings& unsaved)
    : env_(env), log_(log), store_(store), journal_(journal), thread_(new QThread), tick_(new QTimer(this)),
      reader_(std::make_unique<PortReader>(env.configFolder(), this, log)),
      feed_(std::make_unique<StreamFeed>(log, store, st_, output(), this)),
      keeper_(std::make_unique<SegmentKeeper>(env, log, store, journal, unsaved, st_, output(), *feed_,
                                              journalRetryMs))
{
    connect(tick_, &QTimer::timeout, this, &Acquisition::tick);
    connect(&reader_->port(), &CommControl::OnComm, this, &Acquisition::onReceived);
    connect(&reader_->port(), &CommControl::deviceLost, this, &Acquisition::onLost);
    thread_->setObjectName(QStringLiteral("acquisition"));
    moveToThread(thread_);
    // The thread's event loop is made before the first call is queued to it (seen so by
    // ThreadSanitizer too, which does not see inside Qt).
    std::promise<void> running;
    const QMetaObject::Connection started = connect(
        thread_, &QThread::started, thread_,
        [this, &running] {
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                    [this] {
                        if (reader_)  // none in the loop's last turns after the destructor's call
                            reader_->listening(Clock::now());
                    });
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
        feed_->end();        // what the broker has not taken yet goes while it takes it
        keeper_.reset();
        feed_.reset();
        reader_.reset();
        delete tick_;
        tick_ = nullptr;
        moveToThread(home);
        thread_->quit();  // from the thread itself: nothing of ours wakes its loop after this call
    });
    thread_->wait();
    delete thread_;
    std::lock_guard lock(m_);  // the thread's last writes before anything is destroyed here
}

EngineOutput& Acquisition::output() { return *this; }
PortReader::Frames& Acquisition::frameSink() { return *this; }

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
    const AcquisitionOptions was = st_.opt;
    st_.opt = o;
    if (o.term != was.term)
        st_.view.battery = 0;
    // A unit chosen by hand, and "---" when the frames take over again.
    if ((!o.unitAuto && o.unit != was.unit) || o.unitAuto != was.unitAuto)
        setUnit(o.unit);
    if (o.sampling != was.sampling || o.keisu != was.keisu || o.rangePlus != was.rangePlus ||
        o.rangeMinus != was.rangeMinus)
        keeper_->headerAgain();
    if (o.sampling != was.sampling)
        feed_->setPeriod(o.sampling);
    // The default topic names the port.
    if (o.stream != was.stream ||
        (o.stream.topic.isEmpty() && PortName(o.port, o.device) != PortName(was.port, was.device)))
        feed_->restart();
    feed_->contextChanged();
}

void Acquisition::setUnit(const QString& unit)
{
    if (unit == st_.view.unit)
        return;
    st_.view.unit = unit;
    keeper_->headerAgain();
    feed_->contextChanged();
    announce({AcquisitionEvent::Kind::UnitChanged, unit});
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
        why = open();
        if (!why.isEmpty())
            return;
        reader_->reset();
        keeper_->begin();
        firstFrameTicks_ = 0;
        refreshCount_ = 0;
        AcquisitionView& v = st_.view;
        v.errorCount = 0;
        v.lastError.clear();
        v.reference = 0;
        feed_->segmentBegun();
        measuring_.store(true, std::memory_order_release);
        v.measuring = true;
        tick_->start(st_.opt.publishMs);
        publish();
        Q_EMIT measuringChanged(true);
    });
    return why;
}

// The port, unless frames come only through inject and receive; empty when it is open.
QString Acquisition::open()
{
    if (reader_->isOpen())
        return QStringLiteral("ポートは既に開いています。");
    if (st_.opt.noPort)
        return QString();
    const QString why = reader_->open(st_.opt.port, st_.opt.device, st_.opt.baudRate);
    if (why.isEmpty())
        portOpen_.store(true, std::memory_order_release);
    return why;
}

void Acquisition::stop()
{
    call([this] {
        // A fast gauge's frames may wait unread for a pace: what came before the stop is stored.
        reader_->readRest();
        // The client waits here, so it reads nothing: the samples held for it can be stored,
        // however many segments they fill (each full one is saved and ends the hold again).
        keeper_->drainAll();
        stopHere();
    });
}

void Acquisition::stopHere()
{
    reader_->close(portName());
    portOpen_.store(false, std::memory_order_release);
    if (!measuring_.load(std::memory_order_relaxed))
        return;
    tick_->stop();
    st_.view.endTime = env_.now();
    keeper_->end();
    feed_->flush();
    measuring_.store(false, std::memory_order_release);
    st_.view.measuring = false;
    publish();
    Q_EMIT measuringChanged(false);
}

QString Acquisition::portName() const { return PortName(st_.opt.port, st_.opt.device); }

void Acquisition::onLost(const QString& reason)
{
    portOpen_.store(false, std::memory_order_release);
    log_.LogMsg(1, QStringLiteral("MSComm1_OnComm"),
                QStringLiteral("ポートが切断されました。(%1: %2)").arg(portName(), reason));
    announce({AcquisitionEvent::Kind::PortLost, reason});
}

// ---- receiving ----

void Acquisition::onReceived()
{
    // The control reports waiting bytes only: a vanished device comes as deviceLost.
    if (reader_->port().CommEvent() != CommControl::comEvReceive)
        return;
    applyOptions();
    // A gauge that sends more than a frame per pace is read once a pace; a call ends the pause.
    Clock::time_point until;
    if (reader_->read(st_.opt.term, std::chrono::milliseconds(st_.opt.paceMs), frameSink(), &until)) {
        std::unique_lock lock(m_);
        wake_.wait_until(lock, until, [this] { return !calls_.empty(); });
    }
}

// How long ago is taken at each frame, as a segment's save may come between two.
void Acquisition::frame(std::string_view text, Clock::time_point arrived)
{
    const auto ago = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - arrived);
    framesSeen_.fetch_add(1, std::memory_order_relaxed);
    decodeAndStore(text, ago);
}

short Acquisition::decodeAndStore(std::string_view text, std::chrono::microseconds ago)
{
    const OleDate now = env_.now(ago);
    measureSampling(std::int32_t(ClockMs() - ago.count() / 1000));
    arrived(now);
    if (reader_->decode(text, st_.opt.term, st_.view) < 0)
        return -1;
    const Decoded* d = reader_->value();
    if (!d)
        return 0;
    AcquisitionView& v = st_.view;
    if (d->batteryRead && d->battery != v.battery) {
        v.battery = d->battery;
        announce({AcquisitionEvent::Kind::BatteryChanged, {}, double(d->battery)});
    }
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    SetDispFormat(count + std::int32_t(keeper_->held()), dispFormat_, reader_->shown());
    if (d->setsUnit && st_.opt.unitAuto)
        setUnit(unitName(d->unit));
    if (d->setsReference)
        v.reference = d->reference;
    store(d->value, now);
    return 0;
}

// The automatic sampling period: the average over the first ten frames stored, rounded to a
// standard period. `ticks`: the frame's arrival on the millisecond clock.
void Acquisition::measureSampling(std::int32_t ticks)
{
    if (firstFrameTicks_ == 0)
        firstFrameTicks_ = ticks == 0 ? 1 : ticks;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (!st_.opt.samplingAuto || count == 0 || count % 10 != 0)
        return;
    const float average = float(ticks - firstFrameTicks_) / float(count);
    st_.opt.samplingAuto = false;
    st_.opt.sampling = SampToStd(average);
    feed_->setPeriod(st_.opt.sampling);  // nothing placed yet: the stream waited for it
    {
        std::lock_guard lock(m_);
        wanted_.samplingAuto = false;
        wanted_.sampling = st_.opt.sampling;
    }
    keeper_->headerAgain();
    feed_->contextChanged();
    announce({AcquisitionEvent::Kind::SamplingMeasured, {}, average, st_.opt.sampling});
}

// A frame came: the readout's refresh counts frames and looks at the last two arrival times.
void Acquisition::arrived(OleDate now)
{
    prevRecvTime_ = lastRecvTime_;
    lastRecvTime_ = now;
    if (refreshCount_ < INT16_MAX)
        ++refreshCount_;
}

// The sample with its moving average to the keeper, and the readout when it is due.
void Acquisition::store(float value, OleDate now)
{
    const AcquisitionOptions& o = st_.opt;
    const bool refresh = RefreshDue(refreshCount_, o.sampling, lastRecvTime_, prevRecvTime_);
    const bool average = store_.ave.AveNum > 1;
    float mean = value;
    if (average) {
        store_.ave.AveAdd(value);
        mean = store_.ave.AveGet();
    }
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    keeper_->add(value, now, mean, average);
    const float shown = o.readoutAverage
                            ? (average ? mean : store_.g_AveDatas[std::size_t(std::max(0, count))])
                            : o.keisu * value;
    if (refresh) {
        AcquisitionView& v = st_.view;
        refreshCount_ = 0;
        ++v.readouts;
        v.readoutValue = shown;
        v.readoutFormat = dispFormat_;
        v.limits = CheckLimits(shown, o.limitHi, o.limitLow, o.etcConf);
    }
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
        reader_->receive(bytes, st_.opt.term, frameSink());
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

void Acquisition::acknowledge(std::int32_t generation)
{
    keeper_->acknowledge(generation);
    // The samples that waited go in now, not at the next frame: a slow gauge's may be a while.
    call([this] {
        keeper_->drain();
        publish();
    });
}

bool Acquisition::saveNow()
{
    bool saved = false;
    call([&] {
        saved = keeper_->saveNow();
        publish();
    });
    return saved;
}

int Acquisition::saveUnsaved()
{
    int saved = 0;
    call([&] {
        saved = keeper_->saveUnsaved(true);
        publish();
    });
    return saved;
}

void Acquisition::setJournalFolders(const QStringList& folders)
{
    call([&] { keeper_->setJournalFolders(folders); });
}

void Acquisition::checkJournalNow()
{
    call([this] {
        keeper_->checkJournal();
        publish();
    });
}

QString Acquisition::closeStream()
{
    QString left;
    call([&] { left = feed_->end(); });
    return left;
}

// ---- publishing ----

void Acquisition::tick()
{
    applyOptions();
    keeper_->drain();
    keeper_->checkJournal();
    publish();
}

void Acquisition::publish()
{
    std::lock_guard lock(m_);
    published_ = st_.view;
}

void Acquisition::announce(AcquisitionEvent e)
{
    {
        std::lock_guard lock(m_);
        published_ = st_.view;
        events_.push_back(std::move(e));
    }
    Q_EMIT news();
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

// ---- the console ----

void Acquisition::send(const QByteArray& bytes)
{
    call([&] { reader_->send(bytes); });
}

void Acquisition::resetFrame()
{
    call([this] { reader_->resetFrame(); });
}

void Acquisition::setTap(bool on) { reader_->setTap(on); }

std::vector<TapEntry> Acquisition::takeTap() { return reader_->takeTap(); }

}  // namespace tavin
