#include "engine/SegmentKeeper.h"

#include "core/app/basLog.h"
#include "core/files/AnalysisCsv.h"
#include "core/files/CsvWriter.h"
#include "core/files/Journal.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/platform/FileOps.h"
#include "core/trend/SampleStore.h"
#include "engine/StreamFeed.h"

#include <QDir>

#include <algorithm>

namespace tavin {

namespace {

QString dateText(OleDate d) { return d == 0 ? QString() : FormatDate(d, u"yyyy年m月d日 hh:nn:ss"); }

}  // namespace

SegmentKeeper::SegmentKeeper(const AppEnv& env, EventLog& log, SampleStore& store, Journal& journal,
                             UnsavedRecordings& unsaved, EngineState& state, EngineOutput& out,
                             StreamFeed& feed, const qint64& journalRetryMs)
    : env_(env), log_(log), store_(store), journal_(journal), unsaved_(unsaved), st_(state), out_(out),
      feed_(feed), journalRetryMs_(journalRetryMs)
{
}

void SegmentKeeper::begin()
{
    acked_.store(generation_, std::memory_order_relaxed);
    held_.clear();
    heldJournaled_ = 0;
    store_.Restart();
    store_.ave.AveReset(st_.opt.aveLength);
    savedNameShown_ = false;
    protectionOff_ = false;
    journalRetryAt_ = 0;
    AcquisitionView& v = st_.view;
    v.startCount = 1;
    v.startTime = env_.now();
    v.fileNo = 1;
    v.protecting = true;
}

// ---- samples into the store ----

void SegmentKeeper::add(float value, OleDate time, float mean, bool averaged)
{
    // The limit was lowered while recording: the segment ends first, and the sample opens the next.
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (held_.empty() && !isHeld() && count > 0 && count >= st_.opt.maxDatas)
        endSegment(count - 1);
    // Through the queue of held samples, which keeps its capacity: in order behind any that wait.
    held_.push_back({value, time, mean, averaged});
    drain();
}

void SegmentKeeper::append(const Held& h, bool journaled)
{
    const std::int32_t index = store_.Append(h.value, h.time, h.averaged ? &h.mean : nullptr);
    if (!journaled)
        journalSample(index, h.value, h.time);
    feed_.place(false);
    if (index + 1 >= st_.opt.maxDatas)
        endSegment(index);
}

void SegmentKeeper::drain()
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

void SegmentKeeper::drainAll()
{
    do {
        acked_.store(generation_, std::memory_order_relaxed);
        drain();
    } while (!held_.empty());
}

// ---- segments ----

void SegmentKeeper::endSegment(std::int32_t lastIndex)
{
    AcquisitionView& v = st_.view;
    v.endTime = env_.now();
    saveSegment();
    v.startCount += lastIndex;
    v.startTime = env_.now();
    store_.g_FileNo += 1;
    v.fileNo = store_.g_FileNo;
    feed_.segmentBegun();
    // From here the samples wait until the client holds nothing of the segment saved.
    ++generation_;
    v.generation = generation_;
    store_.g_DataCnt.store(0, std::memory_order_release);
    out_.announce({AcquisitionEvent::Kind::SegmentEnded, {}});
}

void SegmentKeeper::saveSegment()
{
    feed_.place(true);   // the segment's values go before its message
    saveUnsaved(false);  // older segments first, so that recordings keep their order
    QString path;
    bool saved = false;
    Trap(log_, QString(), [&] { saved = autoSave(&path); });
    if (saved) {
        journal_.remove();
        return;
    }
    const auto n = std::ptrdiff_t(store_.g_DataCnt.load(std::memory_order_relaxed));
    unsaved_.add({path, header(), dateText(st_.view.endTime),
                  std::vector<float>(store_.g_Datas.begin(), store_.g_Datas.begin() + n),
                  std::vector<OleDate>(store_.g_DataTime.begin(), store_.g_DataTime.begin() + n),
                  journal_.keep()},
                 log_, journal_);
    countUnsaved();
}

void SegmentKeeper::end()
{
    saveSegment();
    protectionOff_ = false;
    st_.view.protecting = true;
}

bool SegmentKeeper::saveNow()
{
    bool saved = false;
    QString path;
    Trap(log_, QString(), [&] { saved = autoSave(&path); });
    return saved;
}

int SegmentKeeper::saveUnsaved(bool announce)
{
    if (unsaved_.empty())
        return 0;
    const int saved =
        unsaved_.saveAll(log_, env_, journal_, [this](const UnsavedRecording& r, const QString& path) {
            this->saved(path, r.header, r.values.data(), r.times.data(), r.values.size());
        });
    if (saved > 0 && announce)
        out_.announce(
            {AcquisitionEvent::Kind::Status, QStringLiteral("保存できなかった測定データを保存しました.")});
    countUnsaved();
    return saved;
}

void SegmentKeeper::countUnsaved()
{
    st_.view.unsaved = unsaved_.count();
    st_.view.unsavedInMemoryOnly = unsaved_.inMemoryOnly(journal_);
}

CsvHeader SegmentKeeper::header() const
{
    const AcquisitionOptions& o = st_.opt;
    return RecordingHeader(dateText(st_.view.startTime), store_.g_FileNo, o.sampling, o.rangePlus,
                           o.rangeMinus, st_.view.unit, o.keisu);
}

bool SegmentKeeper::autoSave(QString* triedPath)
{
    const AcquisitionView& v = st_.view;
    const QString name =
        FileExtentionAddCheck(st_.opt.baseName, AutoSaveSuffix(v.startTime, store_.g_FileNo, env_.now()));
    const QString path = QDir(st_.opt.saveDir).filePath(name);
    *triedPath = path;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    if (count == 0)
        return true;
    if (!savedNameShown_) {
        savedNameShown_ = true;
        out_.announce({AcquisitionEvent::Kind::SavedAs, name});
    }
    const CsvHeader h = header();
    const QString endText = dateText(v.endTime);
    const SavedRecording saved =
        SaveRecording(log_, env_, FileExtentionAddCheck(path, QString()), [&](QIODevice& f) {
            return WriteCsv(f, h, store_.g_Datas.data(), store_.g_DataTime.data(), 0, count - 1, endText);
        });
    if (saved.outcome != SaveOutcome::Failed)
        this->saved(saved.path, h, store_.g_Datas.data(), store_.g_DataTime.data(), std::size_t(count));
    announceSave(int(saved.outcome));
    return saved.outcome != SaveOutcome::Failed;
}

void SegmentKeeper::announceSave(int outcome)
{
    switch (SaveOutcome(outcome)) {
    case SaveOutcome::Saved:
        out_.announce({AcquisitionEvent::Kind::Status, QStringLiteral("保存しました.")});
        break;
    case SaveOutcome::SavedInDocuments:
        out_.announce(
            {AcquisitionEvent::Kind::Status, QStringLiteral("ドキュメントフォルダに保存しました.")});
        break;
    case SaveOutcome::Failed:
        out_.announce({AcquisitionEvent::Kind::Status, QStringLiteral("保存に失敗しました.")});
        break;
    }
}

// A recording was written: its analysis CSV beside it when wanted, the stream's message, the event.
void SegmentKeeper::saved(const QString& path, const CsvHeader& header, const float* values,
                          const OleDate* times, std::size_t samples)
{
    if (st_.opt.analysisCsv) {
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
    feed_.saved(path, header, times, samples);
    out_.announce({AcquisitionEvent::Kind::Saved, path, double(samples), 0, times[0], times[samples - 1]});
}

// ---- the journal ----

void SegmentKeeper::journalSample(std::int32_t index, float value, OleDate time)
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
    if (st_.view.measuring)
        openJournal(false);
}

// Samples held for the client go to the next segment's journal as they come, as the others do:
// a client that does not let go (a recorder whose output nobody reads) must not leave them
// unprotected. While held the store is empty, so the first `maxDatas` of them fill the segment.
void SegmentKeeper::journalHeld()
{
    const std::size_t fit = std::min(held_.size(), std::size_t(std::max(st_.opt.maxDatas, 0)));
    if (heldJournaled_ >= fit || !st_.view.measuring)
        return;
    if (heldJournaled_ == 0) {
        if (journal_.active())
            journal_.release(journal_.keep());  // a segment that ended unsaved: left for the recovery
        // Folders that took no journal are tried again at the pace of checkJournal.
        if (ClockMs() < journalRetryAt_)
            return;
        if (!openJournal(false)) {
            journalRetryAt_ = ClockMs() + journalRetryMs_;
            return;
        }
    }
    journalHeldSamples(heldJournaled_, fit);
    heldJournaled_ = fit;
}

// Held samples [from, to) into the journal, each with its time when it is not the one before's.
void SegmentKeeper::journalHeldSamples(std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        journal_.sample(held_[i].value,
                        i > 0 && held_[i].time != held_[i - 1].time ? &held_[i].time : nullptr);
}

bool SegmentKeeper::openJournal(bool replacing)
{
    // The segment so far: the store's samples, or while the client holds the one before, the
    // samples held for it that were journaled (the store is empty then).
    const auto n = std::size_t(store_.g_DataCnt.load(std::memory_order_relaxed));
    const bool fromHeld = n == 0 && !held_.empty();
    const OleDate first = n > 0 ? store_.g_DataTime[0] : fromHeld ? held_.front().time : env_.now();
    const QByteArray text = CsvHeaderText(header(), &first);
    QStringList failures;
    // Beside the recordings, or where they go when the save folder cannot be written.
    for (const QString& folder : {st_.opt.saveDir, DocumentsFolder(env_)}) {
        const QString path = JournalPath(folder, st_.opt.baseName, st_.view.startTime, store_.g_FileNo);
        QString why;
        if (replacing ? journal_.replace(path, text, &why) : journal_.begin(path, text, &why)) {
            rememberJournalFolder(folder);
            const std::vector<OleDate>& t = store_.g_DataTime;
            for (std::size_t i = 0; i < n; ++i)
                journal_.sample(store_.g_Datas[i], i > 0 && t[i] != t[i - 1] ? &t[i] : nullptr);
            if (fromHeld)
                journalHeldSamples(0, heldJournaled_);
            return true;
        }
        failures << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), why);
    }
    journalOff(failures.join(QStringLiteral(", ")));
    return false;
}

void SegmentKeeper::headerAgain()
{
    if (journal_.active() && store_.g_DataCnt.load(std::memory_order_relaxed) > 0)
        journal_.line(CsvHeaderText(header(), &store_.g_DataTime[0]));
}

void SegmentKeeper::checkJournal()
{
    journal_.publish();
    if (const QString failure = journal_.takeFailure(); !failure.isEmpty()) {
        if (st_.view.measuring)
            journalOff(failure);
        else  // the journal of a segment kept unsaved: the unsaved count says what is at stake
            log_.LogMsg(1, QStringLiteral("Journal"),
                        QStringLiteral("ジャーナルを書き込めません: ") + failure);
    }
    countUnsaved();
    if (folderListPending_ && ClockMs() >= folderListRetryAt_)
        writeJournalFolders();
    if (!st_.view.measuring || (store_.g_DataCnt.load(std::memory_order_relaxed) == 0 && heldJournaled_ == 0))
        return;
    renewJournal();
}

// A file that cannot take lines any more, or none at all: a new one with the segment so far, at
// most every few seconds, so that a disk that fails every sync is not filled with them. Crash
// protection is back once the journal takes lines again.
void SegmentKeeper::renewJournal()
{
    if ((journal_.needsNewFile() || !journal_.active()) && ClockMs() >= journalRetryAt_) {
        journalRetryAt_ = ClockMs() + journalRetryMs_;
        openJournal(journal_.active());
    }
    if (protectionOff_ && journal_.protecting()) {
        protectionOff_ = false;
        st_.view.protecting = true;
        log_.LogMsg(1, QStringLiteral("Journal"),
                    QStringLiteral("ジャーナルへの書き込みを再開しました: ") +
                        QDir::toNativeSeparators(journal_.path()));
        out_.announce({AcquisitionEvent::Kind::ProtectionBack, journal_.path()});
    }
}

// Crash protection is off until the journal takes lines again: logged once, and announced.
void SegmentKeeper::journalOff(const QString& why)
{
    if (protectionOff_)
        return;
    protectionOff_ = true;
    st_.view.protecting = false;
    log_.LogMsg(1, QStringLiteral("Journal"),
                QStringLiteral("ジャーナルを書き込めません。測定はメモリ上で続けます: ") + why);
    out_.announce({AcquisitionEvent::Kind::ProtectionOff, why});
}

// ---- the journal folder list ----

void SegmentKeeper::setJournalFolders(const QStringList& folders)
{
    // A recovery running beside a measurement may have written the list before this engine's
    // first journal was there: the folders it opened journals in are listed again.
    const QStringList opened = journalFolders_;
    journalFolders_ = folders;
    for (const QString& f : opened)
        rememberJournalFolder(f);
}

void SegmentKeeper::rememberJournalFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (journalFolders_.contains(clean))
        return;
    journalFolders_.append(clean);
    writeJournalFolders();
}

void SegmentKeeper::writeJournalFolders()
{
    // Another copy of the program may have remembered folders of its own meanwhile. One that holds
    // the list longer than the port's buffer lasts is not waited for: the next looks try again.
    folderListPending_ = !UpdateJournalFolders(
        JournalFolderList(env_), [&](QStringList& all) { all += journalFolders_; }, 200);
    folderListRetryAt_ = ClockMs() + journalRetryMs_;
}

}  // namespace tavin
