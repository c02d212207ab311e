#include "record/Recorder.h"

#include "core/files/RecordingLoad.h"
#include "core/platform/AppEnv.h"
#include "core/platform/DateTime.h"
#include "core/stream/StreamOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tavin {

namespace {

// How often segments that could not be written are tried again, and a vanished port.
constexpr int UnsavedRetryTicks = 5;
constexpr int ReconnectMs = 1000;
// How long into a connection what the gauge sends is looked at (three periods at least).
constexpr qint64 CheckAfterMs = 10000;

QString isoTime(OleDate d) { return FromOleDate(d).toString(Qt::ISODate); }

}  // namespace

Recorder::Message::Message(const char* source)
    : shown(QCoreApplication::translate("tavin-record", source)), logged(QString::fromUtf8(source))
{
}

Recorder::Recorder(AppEnv env, RecordOptions options, OutputQueue& out, OutputQueue& err, bool terminal)
    : env_(std::move(env)), o_(std::move(options)), out_(out), err_(err), tty_(terminal && !o_.quiet),
      log_(env_), engine_(std::make_unique<Acquisition>(env_, log_, store_, journal_, unsaved_))
{
    env_.prompts = &said_;
    log_.boxesWithoutFile = true;
    connect(engine_.get(), &Acquisition::news, this, &Recorder::onNews, Qt::QueuedConnection);
    second_.setInterval(StatusMs);
    connect(&second_, &QTimer::timeout, this, &Recorder::everySecond);
    reconnect_.setInterval(ReconnectMs);
    connect(&reconnect_, &QTimer::timeout, this, &Recorder::tryReconnect);
}

Recorder::~Recorder() = default;

QString Recorder::start()
{
    if (const QString why = engine_->start(o_.acquisition); !why.isEmpty())
        return why;
    log_.LogInit(QStringLiteral("tavin-record"));
    for (const QString& line : o_.replaced)
        say(line, 1);
    log_.LogMsg(0, QStringLiteral("tavin-record"),
                QStringLiteral("記録を開始します: %1 (種類 %2, %3 bps) → %4")
                        .arg(o_.port)
                        .arg(o_.acquisition.term)
                        .arg(o_.acquisition.baudRate)
                        .arg(QDir(o_.acquisition.saveDir).filePath(o_.acquisition.baseName)) +
                    (o_.acquisition.stream.on()
                         ? QStringLiteral(" (MQTT %1)").arg(UrlForText(o_.acquisition.stream.url))
                         : QString()));
    if (const QString why = JournalListProblem(JournalFolderList(env_)); !why.isEmpty())
        say(why, 1);
    // What a run before this one left (killed, power cut): its journals become recordings. This
    // run's own journal is locked while it writes, and left alone.
    const JournalRecovery r = RecoverLeftJournals(log_, env_, o_.acquisition.saveDir);
    engine_->setJournalFolders(r.folders);
    for (const RecoveredJournal& j : r.recovered)
        say(Message(QT_TRANSLATE_NOOP("tavin-record", "前回の測定を復旧しました: %1 (%2 件)"))
                .arg(j.path)
                .arg(j.samples));
    if (o_.durationS > 0) {
        deadline_.setRemainingTime(qint64(o_.durationS * 1000));
        armDuration();
    }
    tickClock_.start();
    connected();
    second_.start();
    everySecond();
    return QString();
}

void Recorder::connected()
{
    connected_.start();
    samplesAtConnect_ = samplesBefore_;
    framesAtConnect_ = engine_->frames();
    checked_ = false;
}

// Some seconds into a connection, a gauge that sends what cannot be recorded (another kind, another
// baud rate) or at another period than the recording says is worth a line: nobody watches a screen.
void Recorder::checkWhatComes()
{
    const AcquisitionOptions& o = o_.acquisition;
    if (checked_ || !engine_->measuring() ||
        connected_.elapsed() < std::max<qint64>(CheckAfterMs, 3LL * o.sampling))
        return;
    checked_ = true;
    const std::int64_t samples =
        samplesBefore_ + store_.g_DataCnt.load(std::memory_order_acquire) - samplesAtConnect_;
    if (samples == 0) {
        say(Message(QT_TRANSLATE_NOOP(
                        "tavin-record",
                        "%1 秒間に記録できた値がありません (受信したフレーム %2)。ゲージの種類 (--kind "
                        "%3) と通信速度 "
                        "(--baud %4) を確かめてください。"))
                .arg(connected_.elapsed() / 1000)
                .arg(engine_->frames() - framesAtConnect_)
                .arg(o.term)
                .arg(o.baudRate),
            1);
        return;
    }
    const double period = double(connected_.elapsed()) / double(samples);
    const std::int32_t sampling = engine_->options().sampling;  // measured, with --sampling auto
    if (period > 2.0 * sampling || period < 0.5 * sampling)
        say(Message(
                QT_TRANSLATE_NOOP("tavin-record",
                                  "値はおよそ %1 ms "
                                  "ごとに届いていますが、記録ファイルの時間軸はサンプリング周期 %2 ms です "
                                  "(--sampling)。"))
                .arg(period, 0, 'f', period < 10 ? 1 : 0)
                .arg(sampling),
            1);
}

// A timer runs at most about 24 days: a longer run is taken a day at a time.
void Recorder::armDuration()
{
    const qint64 left = deadline_.remainingTime();
    if (left <= 0) {
        finish(RecordOk);
        return;
    }
    QTimer::singleShot(std::min<qint64>(left, 24 * 3600 * 1000), this, &Recorder::armDuration);
}

void Recorder::onNews()
{
    log_.showQueued();  // a failed save is said before what follows from it
    std::vector<AcquisitionEvent> events;
    const AcquisitionView v = engine_->view(&events);
    // Nothing of the store is read here: a full segment's successor may take its place at once.
    if (v.generation != generation_) {
        samplesBefore_ += std::int64_t(v.generation - generation_) * o_.acquisition.maxDatas;
        generation_ = v.generation;
        engine_->acknowledge(generation_);
    }
    for (const AcquisitionEvent& e : events)
        onEvent(e);
}

void Recorder::onEvent(const AcquisitionEvent& e)
{
    using Kind = AcquisitionEvent::Kind;
    switch (e.kind) {
    case Kind::Saved:
        clearStatus();
        out_.line(QStringLiteral("%1\t%2\t%3\t%4\n")
                      .arg(e.text)
                      .arg(static_cast<long long>(e.number))
                      .arg(isoTime(e.first), isoTime(e.last))
                      .toUtf8());
        if (o_.decay)
            judgeDecay(e.text);
        break;
    case Kind::PortLost: onPortLost(e.text); break;
    case Kind::ProtectionOff:
        say(Message(
                QT_TRANSLATE_NOOP("tavin-record",
                                  "ジャーナルを書き込めません。強制終了や停電で測定データが失われます: %1"))
                .arg(e.text));
        break;
    case Kind::ProtectionBack:
        say(Message(QT_TRANSLATE_NOOP("tavin-record", "ジャーナルへの書き込みを再開しました: %1"))
                .arg(e.text));
        break;
    case Kind::Stream: say(e.text); break;  // the engine logged it
    case Kind::SamplingMeasured:
        log_.LogMsg(0, QStringLiteral("tavin-record"),
                    QStringLiteral("サンプリング周期を測りました: %1 ms (記録は %2 ms)")
                        .arg(e.number, 0, 'f', 3)
                        .arg(e.whole));
        break;
    // What the window shows: a save's failure is logged (and said) where it happens.
    case Kind::Status:
    case Kind::SavedAs:
    case Kind::SegmentEnded:
    case Kind::UnitChanged:
    case Kind::BatteryChanged: break;
    }
}

// The recording as saved is what is judged: read back, with the sampling, unit and coefficient
// of its header. The verdict goes to stdout, a row to the results file beside it, a line to the log.
void Recorder::judgeDecay(const QString& recording)
{
    if (!judged_)
        judged_ = std::make_unique<SampleStore>();
    judged_->Clear();
    CsvHeader header;
    const RecordingLoad load =
        LoadRecording(recording, *judged_, log_, env_, [&](const CsvHeaderLine& h) { header = h.header; });
    if (!load.failure.isEmpty()) {
        say(Message(QT_TRANSLATE_NOOP("tavin-record", "判定のために記録を読めません: %1 (%2)"))
                .arg(recording, load.failure),
            1);
        return;
    }
    const DecayTest& test = *o_.decay;
    const DecayResult r = EvaluateDecay(judged_->g_Datas.data(), judged_->g_DataCnt, 0, header.keisu,
                                        header.sampling / 1000, test, header.unit);
    const QString name = QFileInfo(recording).fileName();
    const QString figures = DecayFiguresText(r, test, header.unit);
    clearStatus();
    out_.line(QStringLiteral("%1\t%2\t%3\n").arg(VerdictText(r.verdict), recording, figures).toUtf8());
    log_.LogMsg(0, QStringLiteral("tavin-record"),
                QStringLiteral("圧力降下試験 %1: %2 %3").arg(name, VerdictText(r.verdict), figures));
    const QString line = DecayResultsLine(FormatDate(env_.now(), u"yyyy/mm/dd hh:nn:ss"), recording, test, r,
                                          header.unit, header.sampling / 1000);
    if (QString why; !AppendDecayResult(QFileInfo(recording).absolutePath(), line, &why))
        say(Message(QT_TRANSLATE_NOOP("tavin-record", "判定結果を %1 に書けません: %2"))
                .arg(QLatin1String(DecayResultsName), why),
            1);
}

void Recorder::onPortLost(const QString& why)
{
    if (finishing_ || !engine_->measuring())
        return;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_acquire);
    const AcquisitionView before = engine_->view();
    engine_->stop();  // saves what was received
    samplesBefore_ += count;
    errorsBefore_ += before.errorCount;
    onNews();
    const bool kept = engine_->view().unsaved > before.unsaved;
    say(Message(kept ? QT_TRANSLATE_NOOP("tavin-record",
                                         "ポート %1 が切断されました (%2)。受信したデータは保存できず、"
                                         "保存できるようになるまで保持します。")
                     : QT_TRANSLATE_NOOP("tavin-record",
                                         "ポート %1 が切断されました (%2)。受信したデータは保存しました。"))
            .arg(o_.port, why));
    if (!o_.reconnect) {
        finish(RecordPortLost);
        return;
    }
    say(Message(QT_TRANSLATE_NOOP("tavin-record", "ポート %1 が戻るのを待ちます。")).arg(o_.port));
    reconnect_.start();
}

void Recorder::tryReconnect()
{
    if (!engine_->start(o_.acquisition).isEmpty())
        return;  // not back yet
    reconnect_.stop();
    connected();
    say(Message(QT_TRANSLATE_NOOP("tavin-record", "ポート %1 が戻りました。新しい区間で記録を続けます。"))
            .arg(o_.port),
        1);
}

void Recorder::everySecond()
{
    checkWhatComes();
    // Segments that could not be written are tried again now and then, as the window does.
    if (++unsavedTicks_ >= UnsavedRetryTicks) {
        unsavedTicks_ = 0;
        if (engine_->view().unsaved > 0)
            engine_->saveUnsaved();
    }
    if (!tty_)
        return;
    const AcquisitionView v = engine_->view();
    // The rate over at least half a second: the first line, at the start, shows none yet.
    if (tickClock_.elapsed() >= StatusMs / 2) {
        const std::uint64_t frames = engine_->frames();
        rate_ = double(frames - framesAtTick_) * 1000.0 / double(tickClock_.restart());
        framesAtTick_ = frames;
    }
    const std::int32_t count = v.measuring ? store_.g_DataCnt.load(std::memory_order_acquire) : 0;
    QString line = v.measuring
                       ? QCoreApplication::translate(
                             "tavin-record", "%1  サンプル %2  %3 フレーム/秒  エラー %4  区間 %5: %6/%7")
                             .arg(o_.port)
                             .arg(samplesBefore_ + count)
                             .arg(rate_ < 0 ? QStringLiteral("-") : QString::number(rate_, 'f', 0))
                             .arg(errorsBefore_ + v.errorCount)
                             .arg(v.fileNo)
                             .arg(count)
                             .arg(o_.acquisition.maxDatas)
                       : QCoreApplication::translate("tavin-record", "%1  ポートを待っています  サンプル %2")
                             .arg(o_.port)
                             .arg(samplesBefore_);
    if (const QString stream = StreamStatusText(v.stream); !stream.isEmpty())
        line += QStringLiteral("  ") + stream;
    out_.status("\r\033[K" + line.toUtf8());
    statusShown_ = true;
}

void Recorder::clearStatus()
{
    if (!statusShown_)
        return;
    out_.line("\r\033[K");
    statusShown_ = false;
}

void Recorder::say(const Message& text, int level)
{
    if (level == 2) {  // the log says it through its box
        shownForBox_ = text.shown;
        log_.LogMsg(level, QStringLiteral("tavin-record"), text.logged);
        shownForBox_.clear();
        return;
    }
    clearStatus();
    const QString line =
        QString(text.shown).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ');
    err_.line("tavin-record: " + line.toUtf8() + '\n');
    if (level >= 0)
        log_.LogMsg(level, QStringLiteral("tavin-record"), text.logged);
}

MsgAnswer Recorder::Said::message(const MessageBox& box)
{
    r_.say(r_.shownForBox_.isEmpty() ? box.text : r_.shownForBox_);
    return MsgAnswer::Ok;
}

void Recorder::finish(int status)
{
    if (finishing_)
        return;
    finishing_ = true;
    reconnect_.stop();
    second_.stop();
    const bool nothing = samplesBefore_ + store_.g_DataCnt.load(std::memory_order_acquire) == 0;
    engine_->stop();
    if (engine_->view().unsaved > 0)
        engine_->saveUnsaved();
    onNews();
    if (const QString unsent = engine_->closeStream(); !unsent.isEmpty())
        say(unsent);
    const AcquisitionView v = engine_->view();
    if (const int lost = v.unsavedInMemoryOnly; lost > 0)
        say(Message(QT_TRANSLATE_NOOP("tavin-record",
                                      "保存できなかった測定データ %1 区間は保存されずに終了します。"))
                .arg(lost),
            2);
    if (const int kept = v.unsaved - v.unsavedInMemoryOnly; kept > 0)
        say(Message(QT_TRANSLATE_NOOP(
                        "tavin-record",
                        "保存できなかった測定データ %1 区間はジャーナルに残り、次回の起動時に復旧されます。"))
                .arg(kept),
            1);
    if (v.unsaved > 0 && status == RecordOk)
        status = RecordUnsaved;
    if (nothing)
        say(Message(QT_TRANSLATE_NOOP("tavin-record", "記録した値はありません。")), 1);
    clearStatus();
    if (const std::uint64_t lost = out_.dropped() + err_.dropped(); lost > 0)
        log_.LogMsg(1, QStringLiteral("tavin-record"),
                    QStringLiteral("出力先が読み取らなかったため、出力 %1 行を捨てました。").arg(lost));
    log_.LogMsg(0, QStringLiteral("tavin-record"),
                QStringLiteral("#### 記録を終了します (状態 %1) ####").arg(status));
    Q_EMIT finished(status);
}

}  // namespace tavin
