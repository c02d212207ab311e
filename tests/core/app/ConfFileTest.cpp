#include "core/app/ConfFile.h"
#include "core/decode/Units.h"
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <gtest/gtest.h>

using namespace tavin;
using tavin::test::TestEnv;

namespace {

const char* kIni = "TAVIN-Monitor.ini";
const char* kTmp = "TAVIN-Monitor.tmp";

QByteArray defaultsFile(const QString& documents)
{
    return "[Init]\r\nSaveDir=" + documents.toUtf8() +
           "\r\nRangePlus=0\r\nRangeMinus=0\r\nTani=---\r\nSampling=1000\r\nTerm=0\r\nEtcConf=0\r\n"
           "AveNum=1000\r\nMaxDatas=30000\r\nCursorInfo=7\r\nLimitLow=-10000\r\nLimitHi=10000\r\n";
}

void ageFile(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
}

QDateTime modified(const QString& path) { return QFileInfo(path).lastModified(); }

}  // namespace

TEST(FindText, GivesTheOneBasedPositionAtOrAfterStart)
{
    EXPECT_EQ(FindText(1, u"Tani=a=b", u"="), 5);
    EXPECT_EQ(FindText(6, u"Tani=a=b", u"="), 7);
    EXPECT_EQ(FindText(8, u"Tani=a=b", u"="), 0);
    EXPECT_EQ(FindText(1, u"[Init]", u"="), 0);
    EXPECT_EQ(FindText(1, u"", u"="), 0);
    EXPECT_EQ(FindText(0, u"a=b", u"="), 0);
    EXPECT_EQ(FindText(1, u"abc", u"Bc"), 0);  // exact, case-sensitive
}

TEST(ConfStartUp, MissingFileIsCreatedWithTheTwelveDefaultsInOrder)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);

    const QString docs = QDir::toNativeSeparators(t.path("Documents"));
    EXPECT_EQ(t.read(kIni), defaultsFile(docs));
    EXPECT_TRUE(QFileInfo(docs).isDir());  // created for the first recording
    EXPECT_EQ(s->Settings.SaveDir, docs);
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    // The first save appends the two keys the new file lacked.
    s->Settings.ComPort = 3;
    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(t.read(kIni), defaultsFile(docs) + "ComPort=3\r\nFilePath=\r\n");
}

TEST(ConfStartUp, ReadsEveryKindOfFieldFromTheFile)
{
    TestEnv t;
    t.write(kIni,
            "[Init]\r\nComPort=12\r\nFilePath=run.csv\r\nSaveDir=/data\r\nLimitLow=-2.5\r\nLimitHi= 12.5 \r\n"
            "RangePlus=4\r\nRangeMinus=2\r\nTani=a=b\r\nSampling=12.5ms\r\nTerm=5\r\nEtcConf=7\r\n"
            "AveNum=10\r\nMaxDatas=360000\r\nCursorInfo=3\r\nPassword=1\r\nDebugMode=1\r\n");
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    const SettingsRecord& r = s->Settings;
    EXPECT_EQ(r.ComPort, 12);
    EXPECT_EQ(r.FilePath, "run.csv");
    EXPECT_EQ(r.SaveDir, "/data");
    EXPECT_EQ(r.LimitLow, -2.5f);
    EXPECT_EQ(r.LimitHi, 12.5f);
    EXPECT_EQ(r.RangePlus, 4);
    EXPECT_EQ(r.RangeMinus, 2);
    EXPECT_EQ(r.Tani, "a=b");
    EXPECT_EQ(r.Sampling, 12);  // 12.5 rounds half to even
    EXPECT_EQ(r.Term, 5);
    EXPECT_EQ(r.EtcConf, 7);
    EXPECT_EQ(r.MaxDatas, 360000);
    EXPECT_EQ(r.Password, 1);
    EXPECT_EQ(r.DebugMode, 1);
}

namespace {

// A file in which every key holds a valid value other than its default, so that a replaced key is
// seen in the values in force and in the file written at exit; the unknown key must survive.
const char* const kValidLines[] = {
    "ComPort=12",  "FilePath=run",    "SaveDir=/data", "LimitLow=-2.5", "LimitHi=12.5", "Extra=keep me",
    "RangePlus=4", "RangeMinus=2",    "Tani=kPa",      "Sampling=20",   "Term=5",       "EtcConf=7",
    "AveNum=10",   "MaxDatas=360000", "CursorInfo=3",  "Password=1",    "DebugMode=1",
};

QByteArray fileOf(const QList<QByteArray>& lines)
{
    QByteArray out = "[Init]\r\n";
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

QList<QByteArray> validLines()
{
    QList<QByteArray> out;
    for (const char* l : kValidLines)
        out << l;
    return out;
}

// The lines of the valid file with `key`'s line set to `line` (removed when `line` is empty).
QList<QByteArray> withLine(const QByteArray& key, const QByteArray& line)
{
    QList<QByteArray> out;
    for (const QByteArray& l : validLines()) {
        if (!l.startsWith(key + '='))
            out << l;
        else if (!line.isEmpty())
            out << line;
    }
    return out;
}

// Every field of the record as the file writes it, by key.
QMap<QString, QString> fieldsOf(const SettingsRecord& r)
{
    return {
        {"ComPort", QString::number(r.ComPort)},
        {"FilePath", r.FilePath},
        {"SaveDir", r.SaveDir},
        {"LimitLow", GeneralSingle(r.LimitLow)},
        {"LimitHi", GeneralSingle(r.LimitHi)},
        {"RangePlus", QString::number(r.RangePlus)},
        {"RangeMinus", QString::number(r.RangeMinus)},
        {"Tani", r.Tani},
        {"Sampling", QString::number(r.Sampling)},
        {"Term", QString::number(r.Term)},
        {"EtcConf", QString::number(r.EtcConf)},
        {"AveNum", QString::number(r.AveNum)},
        {"MaxDatas", QString::number(r.MaxDatas)},
        {"CursorInfo", QString::number(r.CursorInfo)},
        {"Password", QString::number(r.Password)},
        {"DebugMode", QString::number(r.DebugMode)},
    };
}

QMap<QString, QString> validFields()
{
    QMap<QString, QString> out;
    for (const char* l : kValidLines) {
        const QString line = l;
        if (!line.startsWith("Extra="))
            out[line.section('=', 0, 0)] = line.section('=', 1);
    }
    return out;
}

// The numeric keys: the value a new file gives each, and texts that cannot stand (empty, not a
// number, beyond the field or a 32-bit float, outside what the menus offer).
struct NumericKey {
    QByteArray key;
    QString fallback;
    QList<QByteArray> bad;
};

const QList<NumericKey>& numericKeys()
{
    static const QList<NumericKey> keys = {
        {"ComPort", "0", {"", "abc", "70000", "-40000", "1e400"}},
        {"LimitLow", "-10000", {"", "abc", "1e39", "-3.5e38", "nan", "inf", "-infinity", "12kPa", "1,5"}},
        {"LimitHi", "10000", {"", " ", "x1", "3.5e38", "1e309", "NaN"}},
        {"RangePlus", "0", {"", "abc", "-1", "13", "999", "40000"}},
        {"RangeMinus", "0", {"", "なし", "-1", "7", "70000"}},
        {"Sampling", "1000", {"", "abc", "0", "0.4", "-5", "600001", "99999999999", "msec"}},
        {"Term", "0", {"", "abc", "-1", "7", "99", "40000"}},
        {"EtcConf", "0", {"", "abc", "32768", "-32769"}},
        {"AveNum", "1000", {"", "abc", "0", "-3", "2001", "40000"}},
        {"MaxDatas", "30000", {"", "abc", "0", "29999", "30001", "3600000", "9999999999"}},
        {"CursorInfo", "7", {"", "abc", "32768"}},
        {"Password", "0", {"", "abc", "99999"}},
        {"DebugMode", "0", {"", "-", "99999"}},
    };
    return keys;
}

// Keys never written at exit: a bad value stays in the file for the user to mend.
bool writtenAtExit(const QByteArray& key) { return key != "Password" && key != "DebugMode"; }

}  // namespace

TEST(ConfStartUp, AValidFileIsReadWholeAndWrittenBackUnchanged)
{
    TestEnv t;
    const QByteArray file = fileOf(validLines());
    t.write(kIni, file);
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    EXPECT_EQ(fieldsOf(s->Settings), validFields());
    EXPECT_TRUE(s->conf.Replaced.isEmpty());
    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(t.read(kIni), file);
}

TEST(ConfStartUp, EachUnusableValueAloneTakesItsDefaultAndIsNamed)
{
    for (const NumericKey& k : numericKeys()) {
        for (const QByteArray& bad : k.bad) {
            SCOPED_TRACE((k.key + '=' + bad).toStdString());
            TestEnv t;
            t.write(kIni, ToCp932(QString::fromUtf8(fileOf(withLine(k.key, k.key + '=' + bad)))));
            auto s = t.state();
            ASSERT_EQ(s->conf.ConfStartUp(), 0);

            QMap<QString, QString> expected = validFields();
            expected[k.key] = k.fallback;
            EXPECT_EQ(fieldsOf(s->Settings), expected);  // every other key kept its value
            const QList<ReplacedSetting> named = {{k.key, QString::fromUtf8(bad), k.fallback}};
            EXPECT_EQ(s->conf.Replaced, named);
            EXPECT_TRUE(t.prompts.shown.isEmpty());  // the window shows the box

            ASSERT_EQ(s->conf.ConfSave(), 0);
            const QByteArray kept =
                writtenAtExit(k.key) ? k.key + '=' + k.fallback.toUtf8() : k.key + '=' + bad;
            EXPECT_EQ(t.read(kIni), ToCp932(QString::fromUtf8(fileOf(withLine(k.key, kept)))));
        }
    }
}

TEST(ConfStartUp, AMissingKeyQuietlyTakesTheValueANewFileHolds)
{
    TestEnv t;
    const QString docs = QDir::toNativeSeparators(t.path("Documents"));
    QList<std::pair<QByteArray, QString>> keys = {{"FilePath", ""}, {"SaveDir", docs}, {"Tani", "---"}};
    for (const NumericKey& k : numericKeys())
        keys.append({k.key, k.fallback});
    for (const auto& [key, fallback] : keys) {
        SCOPED_TRACE(key.toStdString());
        t.write(kIni, fileOf(withLine(key, QByteArray())));
        auto s = t.state();
        ASSERT_EQ(s->conf.ConfStartUp(), 0);
        QMap<QString, QString> expected = validFields();
        expected[key] = fallback;
        EXPECT_EQ(fieldsOf(s->Settings), expected);
        EXPECT_TRUE(s->conf.Replaced.isEmpty());

        // At exit the key comes back at the end; the others stay where they were.
        ASSERT_EQ(s->conf.ConfSave(), 0);
        QList<QByteArray> lines = withLine(key, QByteArray());
        if (writtenAtExit(key))
            lines << key + '=' + fallback.toUtf8();
        EXPECT_EQ(t.read(kIni), fileOf(lines));
    }
}

TEST(ConfStartUp, ValuesAtTheEdgesOfWhatTheMenusOfferAreKept)
{
    const QByteArray longest(204, 'a');             // with the 51 bytes a recording's name adds: 255
    const QString sixtyEight = QString(68, u'測');  // 204 bytes in UTF-8, 136 in the file
    const struct {
        QByteArray line;
        const char* key;
        QString read;
    } cases[] = {
        {"Sampling=1", "Sampling", "1"},
        {"Sampling=600000", "Sampling", "600000"},
        {"Sampling=12.5ms", "Sampling", "12"},
        {"Sampling=3000", "Sampling", "3000"},
        {"Term=0", "Term", "0"},
        {"Term=6", "Term", "6"},
        {"RangePlus=12", "RangePlus", "12"},
        {"RangeMinus=6", "RangeMinus", "6"},
        {"AveNum=1", "AveNum", "1"},
        {"AveNum=2000", "AveNum", "2000"},
        {"MaxDatas=30000", "MaxDatas", "30000"},
        {"ComPort=-32768", "ComPort", "-32768"},
        {"ComPort=0", "ComPort", "0"},
        {"EtcConf= 6 ", "EtcConf", "6"},
        {"LimitHi=3.4e38", "LimitHi", "3.4E+38"},
        {"LimitLow= -0.001 ", "LimitLow", "-0.001"},
        {"CursorInfo=&H5", "CursorInfo", "5"},
        {"Tani=", "Tani", ""},
        {"SaveDir=", "SaveDir", ""},
        {"FilePath=" + longest, "FilePath", QString(longest)},
        {"FilePath=" + ToCp932(sixtyEight), "FilePath", sixtyEight},
        {"Tani=" + QByteArray(MaxUnitLength, 'u'), "Tani", QString(MaxUnitLength, u'u')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.left(40).toStdString());
        TestEnv t;
        t.write(kIni, fileOf(withLine(c.key, c.line)));
        auto s = t.state();
        ASSERT_EQ(s->conf.ConfStartUp(), 0);
        EXPECT_EQ(fieldsOf(s->Settings).value(c.key), c.read);
        EXPECT_TRUE(s->conf.Replaced.isEmpty());
    }
}

TEST(ConfStartUp, AllUnusableValuesAtOnceAreNamedInReadingOrderAndTheRestStays)
{
    TestEnv t;
    QList<QByteArray> lines = validLines();
    for (QByteArray& l : lines) {
        for (const NumericKey& k : numericKeys())
            if (l.startsWith(k.key + '='))
                l = k.key + '=' + k.bad.last();
    }
    t.write(kIni, fileOf(lines));
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);

    QList<ReplacedSetting> expected;
    for (const char* key : {"ComPort", "LimitLow", "LimitHi", "RangePlus", "RangeMinus", "Sampling", "Term",
                            "EtcConf", "AveNum", "MaxDatas", "CursorInfo", "Password", "DebugMode"}) {
        for (const NumericKey& k : numericKeys())
            if (k.key == key)
                expected.append({key, QString::fromUtf8(k.bad.last()), k.fallback});
    }
    EXPECT_EQ(s->conf.Replaced, expected);
    EXPECT_EQ(s->Settings.FilePath, "run");
    EXPECT_EQ(s->Settings.SaveDir, "/data");
    EXPECT_EQ(s->Settings.Tani, "kPa");

    // Each bad line is replaced where it stood; the unknown key and the order stay.
    ASSERT_EQ(s->conf.ConfSave(), 0);
    QList<QByteArray> written = validLines();
    for (QByteArray& l : written) {
        for (const NumericKey& k : numericKeys())
            if (l.startsWith(k.key + '='))
                l = k.key + '=' + (writtenAtExit(k.key) ? k.fallback.toUtf8() : k.bad.last());
    }
    EXPECT_EQ(t.read(kIni), fileOf(written));
}

TEST(ConfStartUp, TheReportNamesEachKeyItsValueAndTheValueNowInForce)
{
    const QList<ReplacedSetting> replaced = {{"Sampling", "0", "1000"}, {"LimitLow", "", "-10000"}};
    EXPECT_EQ(ReplacedSettingsMessage(replaced),
              "設定ファイル TAVIN-Monitor.ini の次の値は使用できないため、既定値に置き換えました。\n"
              "\nSampling=0 → 1000"
              "\nLimitLow=（空） → -10000"
              "\n\n置き換えた値は終了時に設定ファイルへ保存されます。");
    EXPECT_EQ(ReplacedSettingLogText(replaced[0]),
              "設定 Sampling の値 0 は使用できないため、既定値 1000 に置き換えました。");
    EXPECT_EQ(ReplacedSettingLogText(replaced[1]),
              "設定 LimitLow の値 （空） は使用できないため、既定値 -10000 に置き換えました。");
    EXPECT_EQ(ReplacedSettingLogText({"FilePath", QString::fromLatin1("a\0b\r\n", 5), ""}),
              "設定 FilePath の値 a<00>b<0D><0A> は使用できないため、既定値 （空） に置き換えました。");
}

// The text keys: bytes code page 932 cannot decode (each shown as U+FFFD), a unit the unit dialog
// would refuse, a base name whose recordings' names the save folder ("/data", not there: 255
// bytes) cannot hold.
TEST(ConfStartUp, TextValuesTheProgramCannotUseTakeTheirDefaultsAndAreNamed)
{
    const struct {
        QByteArray line;
        const char* key;
        const char* fallback;  // nullptr: the Documents folder
        QString held;
    } cases[] = {
        {"SaveDir=/data/\x81\x20x", "SaveDir", nullptr, QStringLiteral("/data/\uFFFD x")},
        {"SaveDir=\xff", "SaveDir", nullptr, QStringLiteral("\uFFFD")},
        {"Tani=\xff", "Tani", "---", QStringLiteral("\uFFFD")},
        {"Tani=k\x81", "Tani", "---", QStringLiteral("k\uFFFD")},
        {"Tani=k,Pa", "Tani", "---", "k,Pa"},
        {"Tani=" + QByteArray(MaxUnitLength + 1, 'u'), "Tani", "---", QString(MaxUnitLength + 1, u'u')},
        {"FilePath=run\xff", "FilePath", "", QStringLiteral("run\uFFFD")},
        {"FilePath=" + QByteArray(205, 'a'), "FilePath", "", QString(205, u'a')},
        {"FilePath=" + ToCp932(QString(69, u'測')), "FilePath", "", QString(69, u'測')},
        // A NUL would cut the name to "a"; a control character splits a line; dots hide files.
        {QByteArray("FilePath=a\0b", 12), "FilePath", "", QString::fromLatin1("a\0b", 3)},
        {"FilePath=a\tb", "FilePath", "", "a\tb"},
        {"FilePath=..", "FilePath", "", ".."},
        {"FilePath=.run", "FilePath", "", ".run"},
        {"SaveDir=/data\x01", "SaveDir", nullptr, "/data\x01"},
        {"Tani=k\x1bPa", "Tani", "---", "k\x1bPa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.left(40).toStdString());
        TestEnv t;
        t.write(kIni, fileOf(withLine(c.key, c.line)));
        auto s = t.state();
        ASSERT_EQ(s->conf.ConfStartUp(), 0);
        const QString fallback = c.fallback ? c.fallback : QDir::toNativeSeparators(t.path("Documents"));
        QMap<QString, QString> expected = validFields();
        expected[c.key] = fallback;
        EXPECT_EQ(fieldsOf(s->Settings), expected);
        const QList<ReplacedSetting> named = {{c.key, c.held, fallback}};
        EXPECT_EQ(s->conf.Replaced, named);

        ASSERT_EQ(s->conf.ConfSave(), 0);
        EXPECT_EQ(t.read(kIni), fileOf(withLine(c.key, QByteArray(c.key) + '=' + ToCp932(fallback))));
    }
}

TEST(ReadConfItem, KeysAreExactAndTheFirstOfDuplicatesCounts)
{
    TestEnv t;
    t.write(
        kIni,
        "[Init]\r\nsampling=5\r\n Sampling=6\r\nSampling=7\r\nSampling=8\r\nTani=a=b\r\nEmpty=\r\nLast=x");
    auto s = t.state();
    EXPECT_EQ(s->conf.ReadConfItem("Sampling"), "7");
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "a=b");
    EXPECT_EQ(s->conf.ReadConfItem("Empty"), "");
    EXPECT_EQ(s->conf.ReadConfItem("Last"), "x");
    EXPECT_EQ(s->conf.ReadConfItem("[Init]"), "");
    EXPECT_EQ(s->conf.ReadConfItem("Missing"), "");

    ASSERT_EQ(s->conf.WriteConfItem("Sampling", "9"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nsampling=5\r\n Sampling=6\r\nSampling=9\r\nSampling=8\r\nTani=a=b\r\n"
                            "Empty=\r\nLast=x\r\n");
}

TEST(ReadConfItem, MissingOrUnreadableFileGivesEmptyText)
{
    TestEnv t;
    auto s = t.state();
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "");
    ASSERT_TRUE(QDir().mkpath(t.path(kIni)));  // a folder cannot be read as a file
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "");
    EXPECT_EQ(s->conf.WriteConfItem("Tani", "kPa"), -1);
    EXPECT_TRUE(QFileInfo(t.path(kIni)).isDir());
}

TEST(WriteConfItem, FirstWriteCreatesTheFileWithHeaderAndKey)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "ｋＰａ"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nTani=" + QByteArray::fromHex("828b826f8281") + "\r\n");
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "ｋＰａ");
}

TEST(WriteConfItem, EqualValueLeavesFileAndTimeStampUntouched)
{
    TestEnv t;
    const QByteArray odd = "; comment\r\n\r\n[Init]\r\nTani=kPa\r\n[Init]\nSampling=10";
    t.write(kIni, odd);
    ageFile(t.path(kIni));
    const QDateTime before = modified(t.path(kIni));
    auto s = t.state();

    ASSERT_EQ(s->conf.WriteConfItem("Tani", "kPa"), 0);
    EXPECT_EQ(t.read(kIni), odd);
    EXPECT_EQ(modified(t.path(kIni)), before);

    // A changed value rewrites the file: only key lines survive, under one header.
    ASSERT_EQ(s->conf.WriteConfItem("Sampling", "20"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nTani=kPa\r\nSampling=20\r\n");
    EXPECT_NE(modified(t.path(kIni)), before);
}

TEST(WriteConfItem, AStrayScratchFileDisappearsAtTheFirstWrite)
{
    TestEnv t;
    t.write(kIni, "[Init]\r\nTani=kPa\r\n");
    t.write(kTmp, "left over from a crash");
    auto s = t.state();
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "kPa"), 0);  // even when nothing changes
    EXPECT_FALSE(QFile::exists(t.path(kTmp)));
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "MPa"), 0);
    EXPECT_FALSE(QFile::exists(t.path(kTmp)));
}

TEST(WriteConfItem, AFailedWriteLeavesNoScratchAndReportsMinusOne)
{
    TestEnv t;
    AppEnv env = t.env();
    env.exeDir = t.path("gone");  // the folder does not exist
    SettingsRecord r;
    ConfFile conf(env, r);
    EXPECT_EQ(conf.WriteConfItem("Tani", "kPa"), -1);
    EXPECT_FALSE(QFile::exists(conf.ScratchFilePath));
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(ConfSave, WritesTheRecordBackAndOnlyChangedKeysTouchTheFile)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    ASSERT_EQ(s->conf.ConfSave(), 0);
    const QByteArray first = t.read(kIni);
    ageFile(t.path(kIni));
    const QDateTime before = modified(t.path(kIni));

    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(modified(t.path(kIni)), before);

    s->Settings.LimitHi = 12.5f;
    s->Settings.LimitLow = -0.1f;
    s->Settings.Tani = "MPa";
    s->Settings.FilePath = "試験.csv";
    s->Settings.Password = 1;  // never written
    ASSERT_EQ(s->conf.ConfSave(), 0);

    auto again = t.state();
    ASSERT_EQ(again->conf.ConfStartUp(), 0);
    EXPECT_EQ(again->Settings.LimitHi, 12.5f);
    EXPECT_EQ(again->Settings.LimitLow, -0.1f);
    EXPECT_EQ(again->Settings.Tani, "MPa");
    EXPECT_EQ(again->Settings.FilePath, "試験.csv");
    EXPECT_EQ(again->Settings.Password, 0);
    EXPECT_TRUE(t.read(kIni).contains("LimitLow=-0.1\r\nLimitHi=12.5\r\nComPort=0\r\n"));
}

TEST(ConfStartUp, StreamingKeysAreKeptWhenSetAndAnUnusableOneIsNamedAndCleared)
{
    TestEnv t;
    const QByteArray set = fileOf(validLines()) +
                           "MqttUrl=mqtts://broker.plant:8883\r\nMqttTopic=plant/bench1\r\nMqttUser=bench\r\n"
                           "MqttPasswordFile=/etc/tavin/mqtt-password\r\n";
    t.write(kIni, set);
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    EXPECT_TRUE(s->conf.Replaced.isEmpty());
    EXPECT_EQ(s->Settings.MqttUrl, "mqtts://broker.plant:8883");
    EXPECT_EQ(s->Settings.MqttTopic, "plant/bench1");
    EXPECT_EQ(s->Settings.MqttUser, "bench");
    EXPECT_EQ(s->Settings.MqttPasswordFile, "/etc/tavin/mqtt-password");
    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(t.read(kIni), set);

    // A password in the URL is named without it.
    const struct {
        const char* line;
        const char* key;
        const char* held;
    } cases[] = {{"MqttUrl=http://broker", "MqttUrl", "http://broker"},
                 {"MqttUrl=mqtt://u:pw@broker", "MqttUrl", "mqtt://***@broker"},
                 {"MqttTopic=plant/#", "MqttTopic", "plant/#"},
                 {"MqttTopic=$SYS/a", "MqttTopic", "$SYS/a"}};
    for (const auto& [line, key, held] : cases) {
        SCOPED_TRACE(line);
        t.write(kIni, fileOf(validLines()) + line + "\r\n");
        auto bad = t.state();
        ASSERT_EQ(bad->conf.ConfStartUp(), 0);
        EXPECT_EQ(bad->conf.Replaced, (QList<ReplacedSetting>{{key, held, ""}}));
        EXPECT_TRUE(ReplacedSettingsMessage(bad->conf.Replaced)
                        .contains(QStringLiteral("%1=%2 → （空）").arg(key, held)));
        EXPECT_FALSE(ReplacedSettingLogText(bad->conf.Replaced[0]).contains("pw"));
        ASSERT_EQ(bad->conf.ConfSave(), 0);
        EXPECT_EQ(t.read(kIni), fileOf(validLines()) + key + "=\r\n");
    }
}

TEST(EtcConf, EachBitIsSetAndClearedAlone)
{
    const std::int16_t all = EtcConfWith(EtcConfWith(EtcAverage, EtcLowerLimit, true), EtcUpperLimit, true);
    EXPECT_EQ(all, 7);
    EXPECT_EQ(EtcConfWith(all, EtcLowerLimit, false), EtcAverage | EtcUpperLimit);
    EXPECT_TRUE(EtcConfHas(all, EtcUpperLimit));
    EXPECT_FALSE(EtcConfHas(EtcConfWith(all, EtcAverage, false), EtcAverage));
}
