// The recorder's command line: what the settings file fills in, what the command line overrides,
// and every input refused with its reason before anything is created.
#include "record/RecordOptions.h"
#include "core/app/ConfFile.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tavin;

namespace {

class RecordCommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        // COM3 is a link beside the program to a device that exists.
        ASSERT_TRUE(QDir(t.dir.path()).mkpath("ports"));
        ASSERT_TRUE(QFile::link("/dev/null", t.path("ports/COM3")));
        ASSERT_TRUE(QDir(t.dir.path()).mkpath("rec"));
    }
    ParsedCommandLine parse(const QStringList& args) { return ParseRecordCommandLine(args, env); }
    // Everything in the program's folder, to see that nothing was created.
    QStringList everything() const
    {
        QStringList all;
        for (const QString& sub : {QString(), QStringLiteral("/rec"), QStringLiteral("/ports")})
            for (const QString& f :
                 QDir(t.dir.path() + sub).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                all << sub + u'/' + f;
        return all;
    }

    test::TestEnv t;
    AppEnv env = t.env();
};

TEST_F(RecordCommandLine, TheSettingsFileFillsInWhatTheCommandLineLeavesOut)
{
    t.write("TAVIN-Monitor.ini",
            ToCp932(QStringLiteral("[Init]\r\nComPort=3\r\nTerm=4\r\nSampling=10\r\nTani=kPa\r\n"
                                   "SaveDir=%1\r\nFilePath=bench\r\nRangePlus=2\r\nAveNum=50\r\n"
                                   "MaxDatas=360000\r\nMqttUrl=mqtt://plant:1884\r\n"
                                   "MqttTopic=plant/a\r\n")
                        .arg(t.path("rec"))));
    const QByteArray before = t.read("TAVIN-Monitor.ini");
    ParsedCommandLine p = parse({});
    ASSERT_EQ(p.error, QString());
    const AcquisitionOptions& o = p.options.acquisition;
    EXPECT_EQ(p.options.port, "COM3");
    EXPECT_EQ(o.port, 3);
    EXPECT_EQ(o.term, 4);
    EXPECT_EQ(o.baudRate, 115200);  // as the window's kind menu selects for kind 4
    EXPECT_EQ(o.sampling, 10);
    EXPECT_FALSE(o.samplingAuto);
    EXPECT_FALSE(o.unitAuto);
    EXPECT_EQ(o.unit, "kPa");
    EXPECT_EQ(o.saveDir, t.path("rec"));
    EXPECT_EQ(o.baseName, "bench");
    EXPECT_EQ(o.rangePlus, 2);
    EXPECT_EQ(o.aveLength, 50);
    EXPECT_EQ(o.maxDatas, 30000);  // the large store is chosen per run, never carried over
    EXPECT_EQ(o.keisu, 1.0f);
    EXPECT_EQ(p.options.settingsPath, t.path("TAVIN-Monitor.ini"));
    EXPECT_EQ(o.stream, (StreamOptions{"mqtt://plant:1884", "plant/a", {}, {}}));
    EXPECT_EQ(parse({"--mqtt-topic", "plant/b", "--mqtt-user", "u"}).options.acquisition.stream,
              (StreamOptions{"mqtt://plant:1884", "plant/b", "u", {}}));

    // The command line wins, and the baud rate follows the kind given there.
    p = parse({"--port",     "/dev/null", "--kind=0", "--sampling",    "auto",
               "--unit",     "auto",      "--coef",   "2.5",           "--dir",
               t.path("."),  "--name",    "other",    "--max-samples", "360000",
               "--duration", "1.5",       "--quiet",  "--reconnect",   "--analysis-csv"});
    ASSERT_EQ(p.error, QString());
    EXPECT_EQ(p.options.acquisition.device, "/dev/null");
    EXPECT_EQ(p.options.acquisition.term, 0);
    EXPECT_EQ(p.options.acquisition.baudRate, 9600);
    EXPECT_TRUE(p.options.acquisition.samplingAuto);
    EXPECT_TRUE(p.options.acquisition.unitAuto);
    EXPECT_EQ(p.options.acquisition.unit, "---");
    EXPECT_EQ(p.options.acquisition.keisu, 2.5f);
    EXPECT_EQ(p.options.acquisition.saveDir, t.dir.path());
    EXPECT_EQ(p.options.acquisition.baseName, "other");
    EXPECT_EQ(p.options.acquisition.maxDatas, 360000);
    EXPECT_EQ(p.options.durationS, 1.5);
    EXPECT_TRUE(p.options.quiet && p.options.reconnect && p.options.acquisition.analysisCsv);
    EXPECT_EQ(parse({"--port", "com3", "--baud", "38400"}).options.acquisition.baudRate, 38400);
    EXPECT_EQ(parse({"--sampling", "123"}).options.acquisition.sampling,
              123);  // as the settings file takes it

    // Read, never written; another file by --settings, with its unusable keys reported.
    EXPECT_EQ(t.read("TAVIN-Monitor.ini"), before);
    t.write("other.ini", "[Init]\r\nTerm=x\r\n");
    p = parse({"--settings", t.path("other.ini"), "--port", "COM3", "--dir", t.path("rec")});
    ASSERT_EQ(p.error, QString());
    EXPECT_EQ(p.options.acquisition.term, 0);
    ASSERT_EQ(p.options.replaced.size(), 1);
    EXPECT_TRUE(p.options.replaced[0].contains("Term")) << p.options.replaced[0].toStdString();
}

TEST_F(RecordCommandLine, WithoutASettingsFileNoneIsCreated)
{
    const ParsedCommandLine p = parse({"--port", "COM3", "--dir", t.path("rec")});
    ASSERT_EQ(p.error, QString());
    EXPECT_EQ(p.options.settingsPath, QString());
    EXPECT_EQ(p.options.acquisition.baseName, "RQ4600_Datas");
    EXPECT_EQ(p.options.acquisition.sampling, 1000);
    EXPECT_TRUE(p.options.acquisition.unitAuto);
    EXPECT_FALSE(QFile::exists(t.path("TAVIN-Monitor.ini")));
    EXPECT_TRUE(parse({"--help", "--bogus"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"--bogus", "--version"}).version);
}

TEST_F(RecordCommandLine, EachBadInputIsRefusedWithItsReasonAndNothingCreated)
{
    t.write("plain", "a file, not a folder");
    t.write("pw-open", "secret\n");  // readable by all
    t.write("pw", "secret\n");
    ::chmod(QFile::encodeName(t.path("pw")).constData(), 0600);
    const QStringList before = everything();
    const QString rec = t.path("rec");
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--bogus"}, "不明なオプションです: --bogus"},
        {{"COM3"}, "オプションではない引数があります: COM3"},
        {{"--port"}, "--port に値がありません"},
        {{"--port", "--duration", "1"}, "--port に値がありません"},
        {{"--quiet=yes"}, "--quiet は値を取りません"},
        {{"--kind", "6"}, "--kind の値 6 は使えません: 0 から 5 の数"},
        {{"--kind", "x"}, "--kind の値 x は使えません"},
        {{"--baud", "1200"}, "--baud の値 1200 は使えません"},
        {{"--sampling", "0"}, "--sampling の値 0 は使えません"},
        {{"--sampling", "600001"}, "--sampling の値 600001 は使えません"},
        {{"--sampling", "1 sec"}, "--sampling の値 1 sec は使えません"},
        {{"--unit", "a,b"}, "--unit の値 a,b は使えません"},
        {{"--coef", "0"}, "--coef の値 0 は使えません"},
        {{"--coef", "1e999"}, "--coef の値 1e999 は使えません"},
        {{"--max-samples", "1000"}, "--max-samples の値 1000 は使えません: 30000 または 360000"},
        {{"--duration", "-1"}, "--duration の値 -1 は使えません"},
        {{"--duration", "nan"}, "--duration の値 nan は使えません"},
        {{"--name", "a/b"}, "--name の値 a/b は使えません"},
        {{"--name", QStringLiteral("d\u00e9bit")}, "Shift_JIS (CP932) で書けない文字があります (\u00e9)"},
        {{"--name", "a\nb"}, "--name の値 a<0A>b は使えません: 制御文字 <0A> を含みます"},
        {{"--name", QString::fromLatin1("a\0b", 3)}, "制御文字 <00>"},
        {{"--name", "."}, "「.」と「..」は名前にできません"},
        {{"--name", ".run"}, "--name の値 .run は使えません: 「.」で始まる名前は隠しファイルになります"},
        {{"--unit", "k\nPa"}, "--unit の値 k<0A>Pa は使えません: 制御文字 <0A>"},
        {{"--dir", rec + "\t"}, "制御文字 <09>"},
        {{"--settings", "a\x7f.ini"}, "制御文字 <7F>"},
        {{"--kind", "x\n"}, "--kind の値 x<0A> は使えません"},
        {{"--settings", t.path("none.ini")}, "設定ファイル"},
        {{"--port", "COM31"}, "--port の値 COM31 は使えません"},
        {{"--port", "COM4"}, "ポート COM4 がありません"},
        {{"--port", "/dev/nothing-here"}, "デバイス /dev/nothing-here がありません"},
        {{"--port", ""}, "ポートを指定してください"},
        {{"--dir", t.path("missing")}, "がありません"},
        {{"--dir", t.path("plain")}, "はフォルダではありません"},
        {{"--dir", "/proc"}, "に書き込めません"},
        {{"--name", QString(250, u'x')}, "ファイル名が長すぎます。このフォルダでは 204 バイトまで"},
        {{"--mqtt", "tcp://broker"}, "--mqtt の値 tcp://broker は使えません: mqtt://ホスト:ポート"},
        {{"--mqtt", "mqtt://bench:pw@broker"},
         "--mqtt の値 mqtt://***@broker は使えません: ユーザーとパスワードは URL に書かず"},
        {{"--mqtt", "mqtt://b", "--mqtt-topic", "a/+/b"},
         "--mqtt-topic の値 a/+/b は使えません: ワイルドカード"},
        {{"--mqtt", "mqtt://b", "--mqtt-user", "u", "--mqtt-password-file", t.path("pw-open")}, "chmod 600"},
        {{"--mqtt", "mqtt://b", "--mqtt-user", "u", "--mqtt-password-file", t.path("pw-none")},
         "がありません"},
        {{"--mqtt", "mqtt://b", "--mqtt-password-file", t.path("pw")}, "--mqtt-user"},
    };
    for (const auto& c : cases) {
        QStringList args = QStringList{"--port", "COM3", "--dir", rec} + c.args;
        const ParsedCommandLine p = parse(args);
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(c.says)))
            << args.join(' ').toStdString() << ": " << p.error.toStdString();
        EXPECT_FALSE(p.error.contains(u'\n')) << p.error.toStdString();
    }
    // What the settings file holds is named when it cannot be used: kind 6 receives nothing,
    // a port is a number from 1 to 30, a broker's URL is refused as on the command line, its
    // password left out.
    for (const auto& [line, says] :
         {std::pair{"Term=6\r\nComPort=3", "Term=6"},
          {"ComPort=45", "ComPort=45"},
          {"ComPort=COM7", "ComPort=COM7"},
          {"ComPort=3\r\nFilePath=.a\x01", "FilePath=.a<01> は使えません: 制御文字 <01>"},
          {"ComPort=3\r\nTani=k\tPa", "Tani=k<09>Pa は使えません"},
          {"ComPort=3\r\nMqttUrl=mqtt://u:se/cret@b", "MqttUrl=mqtt://***@b は使えません: ユーザー"}}) {
        t.write("TAVIN-Monitor.ini", QByteArray("[Init]\r\n") + line + "\r\n");
        const QString error = parse({"--dir", rec}).error;
        EXPECT_TRUE(error.contains(QString::fromUtf8(says))) << error.toStdString();
        EXPECT_FALSE(error.contains("cret")) << error.toStdString();
    }
    // The command line's own value goes before the settings file's that cannot be used.
    t.write("TAVIN-Monitor.ini", "[Init]\r\nComPort=3\r\nFilePath=.a\x01\r\n");
    EXPECT_EQ(parse({"--dir", rec, "--name", "bench"}).error.toStdString(), "");
    QFile::remove(t.path("TAVIN-Monitor.ini"));
    EXPECT_EQ(everything(), before);
}

}  // namespace
