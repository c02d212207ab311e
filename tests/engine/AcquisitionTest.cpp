// The measurement engine without a window: frames to samples, the view a client reads, segments
// saved and handed over, the journal, and a simulated gauge on a pseudo-terminal.
#include "engine/Acquisition.h"
#include "GaugeFrames.h"
#include "core/decode/Sampling.h"
#include "core/files/CsvReader.h"
#include "core/platform/FileOps.h"
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "support/Broker.h"
#include "support/Recordings.h"
#include "support/Spawned.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>

using namespace tavin;
using Kind = AcquisitionEvent::Kind;
using test::readFile;
using test::recorded;
using test::Recording;
using test::recordings;

namespace {

// The bytes of a frame on the wire, and the text between its start and end characters.
std::string wire(const sim::FrameSpec& f) { return sim::EncodeFrame(f); }
std::string text(const sim::FrameSpec& f) { return wire(f).substr(1, wire(f).size() - 2); }
// A frame text of the kind with good check characters around a value field that is no number.
std::string garbledValue(int kind)
{
    if (kind == 5)
        return "1.2.3";
    const std::string t = kind == 4 ? "+1.2.31" : "+1.2.300";
    const unsigned sum = unsigned(std::accumulate(t.begin(), t.end(), 0)) & 0xFF;
    return t + "0123456789ABCDEF"[sum >> 4] + "0123456789ABCDEF"[sum & 0xF];
}

std::vector<float> upTo(int n)
{
    std::vector<float> v(std::size_t(n), 0.0f);
    std::iota(v.begin(), v.end(), 1.0f);
    return v;
}

// Header lines in a journal (a sample line has one comma, a header seven), and the last one.
int headerLines(const QByteArray& journal)
{
    return int(std::ranges::count_if(journal.split('\n'), [](auto& line) { return line.count(',') >= 7; }));
}
CsvHeader lastHeader(const QByteArray& j) { return ReadCsvHeader(ReadJournal(j).recording).header; }

class Engine : public ::testing::Test {
protected:
    void SetUp() override { st->log.LogInit(); }
    void TearDown() override
    {
        engine.reset();
        sim.terminate();
        sim.waitForFinished(5000);
    }

    AcquisitionOptions options(std::int16_t kind = 0) const
    {
        return {.port = 3,
                .term = kind,
                .saveDir = t.path("rec"),
                .baseName = "data",
                .device = {},
                .stream = {}};
    }
    // The simulated gauge as COM3: silent unless `args` say otherwise.
    void gauge(const QStringList& args = {"--count", "0", "--period", "5"})
    {
        ASSERT_TRUE(sim.start(QStringLiteral(GAUGE_SIM_PATH),
                              QStringList{"--dir", t.dir.path(), "--com", "3"} + args))
            << sim.errorString().toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM3")); }, 5000));
    }
    void measure(const AcquisitionOptions& o, const QStringList& args = {"--count", "0", "--period", "5"})
    {
        gauge(args);
        ASSERT_EQ(engine->start(o), QString());
    }
    // The frames gauge-sim reports having sent ("n value hex [bad]"), once there are `n`.
    struct Sent {
        std::vector<float> values;
        QByteArray bytes;
    };
    Sent sent(std::size_t n)
    {
        Sent s;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return std::size_t((simOut += sim.readAllStandardOutput()).count('\n')) >= n; }, 10000));
        for (const QByteArray& line : simOut.split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() >= 3 && s.values.size() < n) {
                s.values.push_back(float(Val(f[1].toStdString())));
                s.bytes += QByteArray::fromHex(f[2]);
            }
        }
        return s;
    }

    AcquisitionView view() { return engine->view(&events); }
    int count(Kind kind)
    {
        view();
        return int(std::count_if(events.begin(), events.end(), [&](auto& e) { return e.kind == kind; }));
    }
    const AcquisitionEvent* last(Kind kind)
    {
        count(kind);
        auto it = std::find_if(events.rbegin(), events.rend(), [&](auto& e) { return e.kind == kind; });
        return it == events.rend() ? nullptr : &*it;
    }
    bool waitFor(Kind kind, int n = 1)
    {
        return QTest::qWaitFor([&] { return count(kind) >= n; }, 10000);
    }
    std::vector<float> stored() const
    {
        const auto n = st->store.g_DataCnt.load(std::memory_order_acquire);
        return {st->store.g_Datas.begin(), st->store.g_Datas.begin() + n};
    }
    void values(int from, int to)
    {
        for (int v = from; v <= to; ++v)
            engine->injectValue(float(v));
    }
    // The current journal, with everything handed over on the disk; its path in journalPath.
    QByteArray journal()
    {
        engine->call([&] {
            st->journal.publish();
            st->journal.drain();
            journalPath = st->journal.path();
        });
        return readFile(journalPath);
    }

    test::TestEnv t;
    std::unique_ptr<AppState> st = t.state();
    std::unique_ptr<Acquisition> engine =
        std::make_unique<Acquisition>(st->env, st->log, st->store, st->journal, st->unsaved);
    std::vector<AcquisitionEvent> events;  // all the engine announced, in order
    QString journalPath;
    test::Spawned sim;
    QByteArray simOut;  // what gauge-sim printed so far
};

// ---- frames ----

struct KindCase {
    const char* name;
    sim::FrameSpec frame;
    QString unit;
    int battery;
    char reference;
};
const KindCase kKinds[] = {
    {"VRT50", {0, 1.234, 'M', 72, 'A'}, "MPa", 72, 'A'},
    // Six characters: value only, so the unit and reference are blank.
    {"VRT50short", {0, -1.234, 'M', 72, 'A', true}, " ", 0, 0},
    // Ten characters: the unit and reference places fall inside the value text.
    {"VRT50QL", {1, 12.34, 'k'}, " ", 0, '4'},
    {"HOSTU_VRT", {2, 123.4, 'P', 85, 'G'}, "Pa", 85, 'G'},
    {"RQ", {3, -0.5, 'k', 9, 'Z'}, "kPa", 9, 'Z'},
    {"QZ", {4, 12.34, 'M'}, "MPa", 0, 0},
    {"MW200", {5, 1.234}, "---", 0, 0},  // carries no unit: the view keeps its own
};

class EachKind : public Engine, public ::testing::WithParamInterface<KindCase> {};

TEST_P(EachKind, FramesAreDecodedStoredAndShown)
{
    const KindCase& c = GetParam();
    engine->setOptions(options(std::int16_t(c.frame.kind)));
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred += wire(c.frame);
    engine->receive(QByteArray::fromStdString(hundred));  // one chunk: none of them may be lost

    EXPECT_EQ(stored(), std::vector<float>(100, float(Val(sim::ExpectedValueText(c.frame)))));
    const AcquisitionView v = view();
    EXPECT_EQ(v.unit, c.unit);
    EXPECT_EQ(v.battery, c.battery);
    EXPECT_EQ(v.reference, c.reference);
    EXPECT_EQ(v.errorCount, 0);
    // Changes are announced once, not at every frame.
    EXPECT_EQ(count(Kind::UnitChanged), c.unit == "---" ? 0 : 1);
    EXPECT_EQ(count(Kind::BatteryChanged), c.battery ? 1 : 0);
    // Only the fast gauge blinks its receive lamp: off at the 50th frame, on at the 100th.
    EXPECT_EQ(v.lampBlinks, c.frame.kind == 5 ? 2u : 0u);
    EXPECT_EQ(v.lampOn, c.frame.kind == 5);

    sim::FrameSpec bad = c.frame;
    bad.badBcc = true;
    if (c.frame.kind == 5) {  // the receive path drops a bad binary frame before it is a frame
        engine->receive(QByteArray::fromStdString(wire(bad)));
    } else if (c.frame.kind != 1) {  // kind 1's check is computed by the receive path itself
        EXPECT_EQ(engine->inject(text(bad)), -1);
        EXPECT_EQ(view().errorCount, 1);
        EXPECT_TRUE(view().lastError.startsWith(QString::fromStdString(text(bad)) + " -> BCC Err "))
            << view().lastError.toStdString();
    }
    const std::int32_t errors = view().errorCount;
    EXPECT_EQ(engine->inject(garbledValue(c.frame.kind)), -1);
    EXPECT_EQ(view().errorCount, errors + 1);
    EXPECT_EQ(view().lastError,
              QString::fromStdString(garbledValue(c.frame.kind)) + " -> 数値ではありません");
    EXPECT_EQ(stored().size(), 100u);
}
INSTANTIATE_TEST_SUITE_P(Kinds, EachKind, ::testing::ValuesIn(kKinds), [](auto& i) { return i.param.name; });

TEST_F(Engine, OddAndHalfFramesAreHandledAsTheGaugesNeed)
{
    engine->setOptions(options(4));
    const std::string overlong = text({4, 2.5, 'k'}) + "xx";  // still read, and shown as a notice
    EXPECT_EQ(engine->inject(overlong), 0);
    EXPECT_EQ(stored(), std::vector<float>{2.5f});
    EXPECT_EQ(view().lastError, QString::fromStdString(overlong) + " ?");
    EXPECT_EQ(engine->inject("+1.2"), 0);  // too short: ignored

    engine->setOptions(options(0));
    EXPECT_EQ(engine->inject(std::string(101, '1')), -1);  // longer than any frame: refused, not counted
    EXPECT_EQ(engine->inject("+1.2"), 0);
    EXPECT_EQ(view().errorCount, 1);
    EXPECT_EQ(stored().size(), 1u);

    // A half frame given up (the console sent something) does not join the next bytes.
    const QByteArray f = QByteArray::fromStdString(wire({0, 7.5}));
    engine->receive(f.first(5));
    engine->resetFrame();
    engine->receive(f.sliced(5));
    EXPECT_EQ(stored().size(), 1u);
    engine->receive(f.first(5));
    engine->receive(f.sliced(5));
    EXPECT_EQ(stored(), (std::vector<float>{2.5f, 7.5f}));

    engine->setOptions(options(6));  // "other": no frame is read
    EXPECT_EQ(engine->inject(text({0, 1.0})), 0);
    EXPECT_EQ(stored().size(), 2u);
}

TEST_F(Engine, ReadoutShowsTheCoefficientTheAverageAndTheLimitCheck)
{
    AcquisitionOptions o = options();
    o.keisu = 2, o.limitHi = 5, o.limitLow = 1, o.aveLength = 2;
    measure(o);
    const struct {
        float value;
        std::int16_t etcConf;
        float shown;
        std::uint16_t alarms;
    } cases[] = {
        {3.0f, 6, 6.0f, AlarmHigh}, {0.25f, 6, 0.5f, AlarmLow}, {1.5f, 6, 3.0f, 0},
        {3.0f, 2, 6.0f, 0},         {0.25f, 4, 0.5f, 0},  // the other limit alone is on
    };
    for (const auto& c : cases) {
        o.etcConf = c.etcConf;
        engine->setOptions(o);
        const std::uint32_t before = view().readouts;
        engine->inject(text({0, c.value}));
        const AcquisitionView v = view();
        EXPECT_EQ(v.readouts, before + 1);
        EXPECT_FLOAT_EQ(v.readoutValue, c.shown);
        EXPECT_EQ(v.readoutFormat, "0.000");
        EXPECT_EQ(v.limits.set, c.alarms) << c.value;
        EXPECT_EQ(v.limits.clear, (AlarmHigh | AlarmLow) & ~c.alarms) << c.value;
    }
    // The moving average over the last two raw values.
    o.readoutAverage = true;
    engine->setOptions(o);
    engine->inject(text({0, 1.0}));
    engine->inject(text({0, 3.0}));
    EXPECT_FLOAT_EQ(view().readoutValue, 2.0f);
    EXPECT_FLOAT_EQ(st->store.g_AveDatas[stored().size() - 1], 2.0f);

    // A fast gauge's readout follows about every 100 ms of data, not every frame.
    o.sampling = 10, o.readoutAverage = false;
    engine->setOptions(o);
    const std::uint32_t before = view().readouts;
    for (int i = 1; i <= 9; ++i)
        engine->inject(text({0, 0.1 * i}));
    EXPECT_EQ(view().readouts, before);
    engine->inject(text({0, 4.0}));
    EXPECT_EQ(view().readouts, before + 1);
    EXPECT_FLOAT_EQ(view().readoutValue, 8.0f);
}

// ---- options ----

TEST_F(Engine, OptionChangesReachTheViewAndTheJournalHeader)
{
    AcquisitionOptions o = options(2);
    measure(o);
    const std::string kPa = text({2, 1.0, 'k'});
    engine->inject(kPa);
    EXPECT_EQ(view().unit, "kPa");
    EXPECT_EQ(headerLines(journal()), 1);

    using Shown = std::function<bool(const CsvHeader& now, const CsvHeader& before)>;  // null: no header
    const struct {
        const char* what;
        std::function<void(AcquisitionOptions&)> change;
        Shown shown;
    } changes[] = {
        {"coefficient", [](auto& o) { o.keisu = 2.5f; }, [](auto& h, auto&) { return h.keisu == 2.5f; }},
        {"sampling", [](auto& o) { o.sampling = 500; }, [](auto& h, auto&) { return h.sampling == 500; }},
        {"plus range", [](auto& o) { o.rangePlus = 3; },
         [](auto& h, auto& b) { return h.plusRange != b.plusRange; }},
        {"minus range", [](auto& o) { o.rangeMinus = 1; },
         [](auto& h, auto& b) { return h.minusRange != b.minusRange; }},
        {"unit by hand", [](auto& o) { o.unitAuto = false, o.unit = "bar"; },
         [](auto& h, auto&) { return h.unit == "bar"; }},
        {"limit", [](auto& o) { o.limitHi = 9, o.etcConf = 4; }, nullptr},
    };
    int headers = 1;
    for (const auto& c : changes) {
        const CsvHeader before = lastHeader(journal());
        c.change(o);
        engine->setOptions(o);
        engine->inject(kPa);
        const QByteArray j = journal();
        EXPECT_EQ(headerLines(j), c.shown ? ++headers : headers) << c.what;
        EXPECT_TRUE(!c.shown || c.shown(lastHeader(j), before)) << c.what;
    }
    EXPECT_EQ(view().unit, "bar");  // the frames' unit no longer counts
    EXPECT_EQ(last(Kind::UnitChanged)->text, "bar");

    // Back to the frames' unit: blank until a frame brings one (applied at the next tick).
    o.unitAuto = true, o.unit = "---";
    engine->setOptions(o);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view().unit == "---"; }, 5000));
    engine->inject(kPa);
    EXPECT_EQ(view().unit, "kPa");
    EXPECT_EQ(lastHeader(journal()).unit, "kPa");

    // What the journal would give back after a crash is the recording the stop saves.
    const QByteArray j = journal();
    engine->stop();
    const std::vector<Recording> r = recordings(t.path("rec"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].bytes, ReadJournal(j).recording);
    EXPECT_EQ(r[0].values, std::vector<float>(8, 1.0f));
}

TEST_F(Engine, SamplingPeriodIsMeasuredOverTheFirstTenFrames)
{
    AcquisitionOptions o = options();
    o.samplingAuto = true;
    measure(o);
    for (int i = 0; i < 30; ++i) {
        engine->inject(text({0, 1.0}));
        ASSERT_EQ(count(Kind::SamplingMeasured), i < 10 ? 0 : 1) << i;  // once, with the 11th frame
    }
    const AcquisitionEvent& e = *last(Kind::SamplingMeasured);
    EXPECT_EQ(e.whole, SampToStd(float(e.number)));
    EXPECT_EQ(engine->options().sampling, e.whole);
    EXPECT_FALSE(engine->options().samplingAuto);
    EXPECT_EQ(lastHeader(journal()).sampling, e.whole);
}

// ---- segments ----

TEST_F(Engine, FullSegmentsAreSavedAndLaterSamplesWaitForTheClient)
{
    AcquisitionOptions o = options();
    o.maxDatas = 3;
    measure(o);
    values(1, 3);
    AcquisitionView v = view();
    EXPECT_EQ(v.generation, 1);
    EXPECT_EQ(v.fileNo, 2);
    EXPECT_TRUE(stored().empty());
    const std::vector<Recording> r = recordings(t.path("rec"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].values, upTo(3));
    EXPECT_EQ(count(Kind::SegmentEnded), 1);
    EXPECT_EQ(last(Kind::Status)->text, "保存しました.");
    EXPECT_TRUE(last(Kind::SavedAs)->text.startsWith("data-"));

    // The client may still be drawing segment 1: nothing is stored until it lets go.
    // They are journaled all the same: a client that never lets go costs no crash protection.
    values(4, 5);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(ReadJournal(journal()).samples, 2);
    engine->acknowledge(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() == std::vector<float>{4, 5}; }, 5000));
    EXPECT_EQ(ReadJournal(journal()).samples, 2);  // once

    // More than a segment arrives before the client lets go; the stop keeps every sample.
    values(6, 13);
    EXPECT_EQ(view().generation, 2);
    EXPECT_EQ(ReadJournal(journal()).samples, 3);  // what fits the next segment
    engine->stop();
    EXPECT_EQ(recorded(t.path("rec")), upTo(13));
    v = view();
    EXPECT_FALSE(v.measuring);
    EXPECT_FALSE(engine->portOpen());
    EXPECT_EQ(v.endTime, ToOleDate(t.now));
    EXPECT_TRUE(recordings(t.path("rec")).back().bytes.endsWith(ToCp932(u",2026年12月6日 09:05:03\r\n")));
    EXPECT_TRUE(QDir(t.path("rec")).entryList({"*.journal"}).isEmpty());  // saved: no journal left

    // Each recording is announced with its path, its samples and their first and last times.
    std::vector<AcquisitionEvent> saved;
    std::ranges::copy_if(events, std::back_inserter(saved), [](auto& e) { return e.kind == Kind::Saved; });
    const std::vector<Recording> all = recordings(t.path("rec"));
    ASSERT_EQ(saved.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(saved[i].text, all[i].path);
        EXPECT_EQ(saved[i].number, double(all[i].values.size()));
        EXPECT_EQ(saved[i].first, ToOleDate(t.now));
        EXPECT_EQ(saved[i].last, ToOleDate(t.now));
    }
}

TEST_F(Engine, ALoweredSegmentLengthEndsTheSegmentAtTheNextSample)
{
    AcquisitionOptions o = options();
    measure(o);
    values(1, 6);
    EXPECT_TRUE(engine->saveNow());  // a copy: the segment goes on
    EXPECT_EQ(stored(), upTo(6));
    o.maxDatas = 4;
    engine->setOptions(o);
    values(7, 7);
    EXPECT_EQ(view().generation, 1);
    EXPECT_TRUE(stored().empty());
    engine->acknowledge(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() == std::vector<float>{7}; }, 5000));
    values(8, 10);
    const std::vector<Recording> r = recordings(t.path("rec"));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].values, upTo(6));
    EXPECT_EQ(r[1].values, upTo(6));
    EXPECT_EQ(r[2].values, (std::vector<float>{7, 8, 9, 10}));
}

TEST_F(Engine, WithNoFolderToWriteSegmentsAreKeptAndSavedLater)
{
    t.write("blocker", "a file where the save folder should be");
    t.write("Documents", "a file where the documents folder should be");
    AcquisitionOptions o = options();
    o.saveDir = t.path("blocker/rec");
    engine->setJournalFolders({t.path("old")});
    measure(o);
    values(1, 3);
    EXPECT_FALSE(view().protecting);
    ASSERT_EQ(count(Kind::ProtectionOff), 1);
    const QString why = last(Kind::ProtectionOff)->text;  // where a journal was tried
    EXPECT_TRUE(why.contains("blocker") && why.contains("Documents")) << why.toStdString();
    engine->stop();
    EXPECT_EQ(last(Kind::Status)->text, "保存に失敗しました.");
    EXPECT_EQ(view().unsaved, 1);
    EXPECT_EQ(view().unsavedInMemoryOnly, 1);  // no journal holds it

    // The documents folder can be written again; the save folder still cannot.
    ASSERT_TRUE(QFile::remove(t.path("Documents")));
    EXPECT_EQ(engine->saveUnsaved(), 1);
    EXPECT_EQ(view().unsaved, 0);
    EXPECT_EQ(recorded(t.path("Documents")), upTo(3));
    EXPECT_EQ(last(Kind::Saved)->text, recordings(t.path("Documents"))[0].path);  // where it went at last
    EXPECT_EQ(last(Kind::Saved)->number, 3);

    // The next measurement journals there too, and the list of journal folders beside the
    // program names it for the recovery.
    ASSERT_EQ(engine->start(o), QString());
    values(4, 5);
    EXPECT_TRUE(view().protecting);
    EXPECT_EQ(QDir(t.path("Documents")).entryList({"*.journal"}).size(), 1);
    EXPECT_EQ(ReadJournalFolders(t.path("TAVIN-Monitor.journals")),
              (QStringList{t.path("old"), t.path("Documents")}));
    engine->stop();
    EXPECT_EQ(last(Kind::Status)->text, "ドキュメントフォルダに保存しました.");
    std::vector<float> both = recorded(t.path("Documents"));  // two segments 1: in either order
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, upTo(5));
}

TEST_F(Engine, TheJournalFolderListKeepsTheFoldersThisEngineJournalsIn)
{
    measure(options());
    values(1, 1);  // the first sample opens a journal in the save folder, and the list names it
    const QString list = t.path("TAVIN-Monitor.journals");
    ASSERT_EQ(ReadJournalFolders(list), QStringList{t.path("rec")});
    // A recovery running beside the measurement writes the list as it found it, then hands it over.
    WriteJournalFolders(list, {t.path("old")});
    engine->setJournalFolders({t.path("old")});
    EXPECT_EQ(ReadJournalFolders(list), (QStringList{t.path("old"), t.path("rec")}));
}

TEST_F(Engine, CrashProtectionGoesOffWithTheJournalAndComesBack)
{
    measure(options());
    engine->call([&] { engine->journalRetryMs = 0; });
    values(1, 3);
    engine->checkJournalNow();
    EXPECT_TRUE(view().protecting);
    journal();
    const QString first = journalPath;
    {
        fileops::InjectedFault full({fileops::Op::Write, ENOSPC, 0, 1000});
        values(4, 4);
        ASSERT_TRUE(waitFor(Kind::ProtectionOff));
        EXPECT_FALSE(view().protecting);
    }
    ASSERT_TRUE(waitFor(Kind::ProtectionBack));
    EXPECT_EQ(last(Kind::ProtectionBack)->text, first);
    EXPECT_TRUE(view().protecting);

    // A failed sync: the file cannot be trusted, a new one takes the whole segment.
    {
        fileops::InjectedFault broken({fileops::Op::Sync, EIO});
        values(5, 5);
        ASSERT_TRUE(QTest::qWaitFor([&] { return broken.hits() == 1; }, 5000));
    }
    ASSERT_TRUE(waitFor(Kind::ProtectionBack, 2));
    EXPECT_EQ(ReadJournal(journal()).samples, 5);
    EXPECT_EQ(last(Kind::ProtectionBack)->text, journalPath);
    EXPECT_NE(journalPath, first);
    EXPECT_FALSE(QFile::exists(first));
}

// ---- the port ----

TEST_F(Engine, StartSaysWhyItCannotHaveThePort)
{
    gauge();
    ASSERT_TRUE(QFile::link("/dev/null", t.path("ports/COM5")));
    const struct {
        const char* what;
        int port, baud;
        bool held;
        QString reason;
    } cases[] = {
        {"no such port", 29, 9600, false, "(COM29)"},
        {"not a serial device", 5, 9600, false, "COM5 を開けません"},
        {"held by another program", 3, 9600, true, "他のプログラムが使用中です"},
        {"no speed", 3, 0, false, "無効なポート設定です"},
    };
    QSignalSpy changes(engine.get(), &Acquisition::measuringChanged);
    for (const auto& c : cases) {
        QSerialPort holder(t.path("ports/COM3"));
        ASSERT_TRUE(!c.held || holder.open(QIODevice::ReadWrite)) << c.what;
        AcquisitionOptions o = options();
        o.port = c.port, o.baudRate = c.baud;
        const QString why = engine->start(o);
        EXPECT_TRUE(why.contains(c.reason)) << c.what << ": " << why.toStdString();
        EXPECT_FALSE(engine->measuring()) << c.what;
    }
    EXPECT_FALSE(view().measuring);
    EXPECT_TRUE(engine->takeTap().empty());  // nothing opened, nothing closed

    ASSERT_EQ(engine->start(options()), QString());
    EXPECT_EQ(engine->start(options()), "ポートは既に開いています。");
    EXPECT_TRUE(engine->measuring());
    engine->stop();
    ASSERT_EQ(changes.size(), 2);  // said once each way, never for a start that failed
    EXPECT_EQ(changes[0][0].toBool(), true);
    EXPECT_EQ(changes[1][0].toBool(), false);
}

TEST_F(Engine, MeasuresARealPortSegmentAfterSegmentWithoutLosingAFrame)
{
    AcquisitionOptions o = options(1);
    o.maxDatas = 500;
    engine->setTap(true);
    measure(o, {"--kind", "1", "--period", "1", "--wave", "ramp", "--amplitude", "50"});
    // The client lets go of each segment as it sees it, as a window does at its refresh.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            engine->acknowledge(engine->view().generation);
            return engine->frames() >= 1600;
        },
        60000));
    engine->stop();
    const std::vector<float> got = recorded(t.path("rec"));
    EXPECT_EQ(got.size(), engine->frames());
    EXPECT_GE(recordings(t.path("rec")).size(), 4u);
    const Sent s = sent(got.size());
    EXPECT_EQ(got, s.values);
    const std::vector<float> last = stored();  // the store keeps the last segment
    EXPECT_TRUE(!last.empty() && std::equal(last.rbegin(), last.rend(), got.rbegin()));

    // The console's tap: the newest bytes received, at most TapMaxBytes, then the port's close.
    const std::vector<TapEntry> tap = engine->takeTap();
    ASSERT_FALSE(tap.empty());
    EXPECT_EQ(tap.back().text, "Close(COM3)");
    QByteArray tail;
    for (const TapEntry& e : tap)
        tail += e.bytes;
    EXPECT_LE(tail.size(), Acquisition::TapMaxBytes);
    EXPECT_GT(tail.size(), Acquisition::TapMaxBytes / 2);
    EXPECT_TRUE(s.bytes.contains(tail));
}

// A fast gauge is read in batches: the frames that came just before the stop are stored all the
// same, also when they end a segment.
TEST_F(Engine, EveryFrameSentBeforeTheStopIsRecorded)
{
    AcquisitionOptions o = options();
    o.maxDatas = 395;
    measure(o, {"--period", "1", "--count", "400", "--wave", "ramp", "--amplitude", "50"});
    const Sent s = sent(400);  // gauge-sim has written them all
    engine->stop();
    EXPECT_EQ(recorded(t.path("rec")), s.values);
}

TEST_F(Engine, AVanishedDeviceIsReportedAndItsMeasurementSaved)
{
    int news = 0;
    QObject client;  // news() comes from the engine's thread: queued to this one
    QObject::connect(engine.get(), &Acquisition::news, &client, [&] { ++news; });
    measure(options(4), {"--kind", "4", "--unit", "M", "--period", "5", "--vanish-after", "20"});
    engine->send("Q\r\n");
    // gauge-sim shows what it receives.
    QByteArray said;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (said += sim.readAllStandardError()).contains("received 510D0A"); }, 5000));

    ASSERT_TRUE(waitFor(Kind::PortLost));
    EXPECT_TRUE(QTest::qWaitFor([&] { return news > 0; }, 5000));
    EXPECT_FALSE(engine->portOpen());
    EXPECT_TRUE(engine->measuring());  // until the client stops it
    engine->send("gone");              // no port: nothing happens
    engine->stop();
    EXPECT_FALSE(view().measuring);
    EXPECT_EQ(view().unit, "MPa");
    EXPECT_EQ(recorded(t.path("rec")), sent(20).values);
    const std::vector<TapEntry> tap = engine->takeTap();  // tap off: the open line only
    ASSERT_EQ(tap.size(), 1u);
    EXPECT_EQ(tap[0].text, "Open(COM3,9600,N,8,1)");
}

}  // namespace

// The engine's thread delivers queued calls and signals: an application object, no display.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    test::FailTestsThatLeaveChildren();
    return RUN_ALL_TESTS();
}

namespace {

// A broker that is away when the measurement starts: the engine says so once, keeps a bounded
// backlog, says once that it drops the oldest values, and once the broker is back sends the gap
// and then every value it kept, in order.
TEST_F(Engine, StreamsThroughABrokerThatIsAwayWithABoundedBacklog)
{
    test::Broker broker;
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    test::Subscriber sub(broker.port(), "plant/engine/#", "engine-test");
    ASSERT_TRUE(sub.waitConnected());
    broker.stop();  // the subscription is kept for the broker's next start

    AcquisitionOptions o = options();
    o.noPort = true;
    o.sampling = 1;
    o.unitAuto = false;
    o.unit = "kPa";
    o.keisu = 2;
    o.stream = {broker.url(), "plant/engine", {}, {}, 300};
    ASSERT_EQ(engine->start(o), QString());
    const auto said = [&](const char* text) {
        view();
        return int(std::count_if(events.begin(), events.end(), [&](const AcquisitionEvent& e) {
            return e.kind == Kind::Stream && e.text.contains(QString::fromUtf8(text));
        }));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return said("に接続できません") == 1; }, 10000));
    EXPECT_TRUE(StreamStatusText(view().stream).contains("接続できません"));

    values(1, 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return said("古い値から捨てています") == 1; }, 10000));
    values(1001, 1500);
    // The newest batches kept (how many values each holds depends on how fast they came).
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view().stream.backlog + view().stream.dropped == 1500; }, 10000));
    const std::int64_t dropped = view().stream.dropped;
    EXPECT_GE(dropped, 1200);
    EXPECT_EQ(said("古い値から捨てています"), 1);
    EXPECT_EQ(said("に接続できません"), 1);  // not at every attempt

    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return said("に接続しました") == 1; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view().stream.backlog == 0; }, 10000));
    EXPECT_EQ(StreamStatusText(view().stream),
              QStringLiteral("MQTT %1: 接続中 (送れずに捨てた値 %2)").arg(broker.url().mid(7)).arg(dropped));
    // The gap, then the values kept: what was dropped and what arrived make up all 1500.
    ASSERT_TRUE(sub.waitFor(
        [&](const auto& m) { return std::int64_t(test::ValuesOf(m).values.size()) + dropped >= 1500; },
        10000));
    const std::vector<test::Message> m = sub.messages();
    const auto gap = std::find_if(m.begin(), m.end(), [](auto& x) { return x.topic == "plant/engine/gap"; });
    ASSERT_NE(gap, m.end());
    const QJsonObject g = QJsonDocument::fromJson(gap->payload).object();
    EXPECT_EQ(g["first_seq"].toInt(), 1);
    EXPECT_EQ(g["samples"].toInt(), dropped);
    const test::Batches b = test::ValuesOf(m);
    EXPECT_TRUE(b.contiguous);
    EXPECT_EQ(b.firstSeq, g["last_seq"].toInt() + 1);
    EXPECT_EQ(b.duplicates, 0);
    const std::vector<float>& arrived = b.values;
    std::vector<float> expected = upTo(1500);
    expected.erase(expected.begin(), expected.begin() + dropped);
    for (float& v : expected)
        v *= 2;
    EXPECT_EQ(arrived, expected);
    // Said in the log too, once each; the engine's thread is never what waited for the broker.
    const QString log =
        FromCp932(readFile(t.path("LOG/") + QDir(t.path("LOG")).entryList({"PG*.Log"}).value(0)));
    EXPECT_EQ(log.count("古い値から捨てています"), 1) << log.toStdString();
    EXPECT_EQ(log.count("に接続できません"), 1) << log.toStdString();
}

}  // namespace
