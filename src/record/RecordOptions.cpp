#include "record/RecordOptions.h"

#include "core/app/ConfFile.h"
#include "core/decode/Units.h"
#include "core/files/NameLimit.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/platform/TextFile.h"
#include "core/stream/StreamOptions.h"
#include "engine/CommControl.h"
#include "engine/SettingsOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace tavin {

namespace {

// One reading of a command line: the values given, the settings file, and the options made of both.
struct Reading {
    Reading(const AppEnv& e, RecordOptions& options) : env(e), conf(e, settings), r(options) {}

    QString value(const char* name) const { return given.value(QLatin1String(name)); }
    bool has(const char* name) const { return given.contains(QLatin1String(name)); }
    // The refusal of the value given to `option`.
    QString bad(const QString& expected) const
    {
        return QCoreApplication::translate("tavin-record", "--%1 の値 %2 は使えません: %3。")
            .arg(QLatin1String(option), ControlsShown(value(option)), expected);
    }

    const AppEnv& env;
    QHash<QString, QString> given;  // by name; the last one counts
    SettingsRecord settings;
    ConfFile conf;
    RecordOptions& r;
    AcquisitionOptions& o = r.acquisition;
    const char* option = nullptr;  // the option being checked
};

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The gauge kinds that send something to record (kind 6, "その他", receives nothing).
constexpr int GaugeKinds = 6;

QString portOfNumber(int n) { return QStringLiteral("COM%1").arg(n); }

// ---- each option's check and effect: empty when it applies, else why not ----

// The port is looked for once every other value is known to be good (`findPort`).
QString takePort(Reading& in, const QString& v)
{
    in.r.port = v;
    return QString();
}

QString takeKind(Reading& in, const QString& v)
{
    const auto k = wholeNumber(v);
    if (!k || *k < 0 || *k >= GaugeKinds)
        return in.bad(QCoreApplication::translate("tavin-record", "0 から 5 の数"));
    in.o.term = std::int16_t(*k);
    in.o.baudRate = KindBaudRate(*k);  // as the window's kind menu selects it
    return QString();
}

QString kindOfSettings(Reading& in)
{
    if (in.o.term < GaugeKinds)
        return QString();
    return QCoreApplication::translate(
               "tavin-record", "設定ファイルのゲージの種類 Term=%1 (その他) では何も受信しません。--kind "
                               "0..5 を指定してください。")
        .arg(in.o.term);
}

QString takeBaud(Reading& in, const QString& v)
{
    const auto b = wholeNumber(v);
    if (!b || (*b != 9600 && *b != 38400 && *b != 115200))
        return in.bad(QCoreApplication::translate("tavin-record", "9600、38400、115200 のどれか"));
    in.o.baudRate = *b;
    return QString();
}

QString takeSampling(Reading& in, const QString& v)
{
    if (v == QStringLiteral("auto")) {
        in.o.samplingAuto = true;
        return QString();
    }
    const auto ms = wholeNumber(v);  // as the settings file takes it
    if (!ms || *ms < 1 || *ms > 600000)
        return in.bad(QCoreApplication::translate("tavin-record", "auto または 1 から 600000 の ms"));
    in.o.sampling = *ms;
    return QString();
}

QString takeUnit(Reading& in, const QString& v)
{
    in.o.unitAuto = v == QStringLiteral("auto") || v == QStringLiteral("---");
    in.o.unit = in.o.unitAuto ? QStringLiteral("---") : v;
    if (!in.o.unitAuto && (v.isEmpty() || !UnitAcceptable(v)))
        return in.bad(QCoreApplication::translate(
            "tavin-record", "auto、またはコンマを含まず Shift_JIS (CP932) で書ける単位"));
    return QString();
}

QString takeCoef(Reading& in, const QString& v)
{
    bool ok = false;
    const double k = v.toDouble(&ok);
    if (!ok || !KeisuAcceptable(k))
        return in.bad(QCoreApplication::translate("tavin-record", "0 でない数"));
    in.o.keisu = float(k);
    return QString();
}

// The log and the output name where files went, whatever the working folder.
QString takeDir(Reading& in, const QString& v)
{
    in.o.saveDir = v.isEmpty() ? QString() : QFileInfo(v).absoluteFilePath();
    return QString();
}

QString takeName(Reading& in, const QString& v)
{
    in.o.baseName = v;
    if (v.isEmpty() || v.contains(u'/'))
        return in.bad(QCoreApplication::translate("tavin-record", "空でなく / を含まない名前"));
    return QString();
}

QString takeMaxSamples(Reading& in, const QString& v)
{
    const auto n = wholeNumber(v);
    if (!n || (*n != 30000 && *n != 360000))
        return in.bad(QCoreApplication::translate("tavin-record", "30000 または 360000"));
    in.o.maxDatas = *n;
    return QString();
}

QString takeDuration(Reading& in, const QString& v)
{
    bool ok = false;
    in.r.durationS = v.toDouble(&ok);
    if (!ok || !(in.r.durationS > 0) || in.r.durationS > 1e9)
        return in.bad(QCoreApplication::translate("tavin-record", "0 より大きく 1e9 以下の秒数"));
    return QString();
}

QString takeMqtt(Reading& in, const QString& v)
{
    QString why;
    in.o.stream.url = v;
    if (ParseBrokerUrl(v, &why))
        return QString();
    return QCoreApplication::translate("tavin-record", "--mqtt の値 %1 は使えません: %2。")
        .arg(UrlForText(v), why);
}

// Refused as on the command line: a recorder told to stream does not go on without it.
QString mqttOfSettings(Reading& in)
{
    const QList<ReplacedSetting>& replaced = in.conf.Replaced;
    if (std::none_of(replaced.begin(), replaced.end(),
                     [](const ReplacedSetting& k) { return k.key == QStringLiteral("MqttUrl"); }))
        return QString();
    const QString held = in.conf.ReadConfItem(QStringLiteral("MqttUrl"));
    QString why = QCoreApplication::translate("tavin-record",
                                              "読めない文字があります");  // when only its bytes were wrong
    ParseBrokerUrl(held, &why);
    return QCoreApplication::translate("tavin-record", "設定ファイル %1 の MqttUrl=%2 は使えません: %3。")
        .arg(in.r.settingsPath, UrlForText(held), why);
}

QString takeTopic(Reading& in, const QString& v)
{
    in.o.stream.topic = v;
    if (const QString why = TopicProblem(v); !why.isEmpty())
        return in.bad(why);
    return QString();
}

QString takeUser(Reading& in, const QString& v)
{
    in.o.stream.user = v;
    return QString();
}

// A password file, given or from the settings file, is read now when the samples are streamed.
QString passwordProblem(Reading& in)
{
    const StreamOptions& st = in.o.stream;
    if (!st.on() || st.passwordFile.isEmpty())
        return QString();
    QString password;
    if (const QString why = ReadPasswordFile(st.passwordFile, &password); !why.isEmpty())
        return why;
    if (st.user.isEmpty())
        return QCoreApplication::translate(
            "tavin-record", "パスワードファイルを使うにはユーザー名 (--mqtt-user) も指定してください。");
    return QString();
}

QString takePasswordFile(Reading& in, const QString& v)
{
    in.o.stream.passwordFile = v;
    return passwordProblem(in);
}

QString takeReconnect(Reading& in, const QString&)
{
    in.r.reconnect = true;
    return QString();
}

QString takeAnalysisCsv(Reading& in, const QString&)
{
    in.o.analysisCsv = true;
    return QString();
}

// HOLD,MAXDROP[,SETTLE]: seconds, the unit recorded, seconds.
QString takeDecay(Reading& in, const QString& v)
{
    const QStringList parts = v.split(u',');
    std::vector<double> n;
    for (const QString& part : parts) {
        bool ok = false;
        n.push_back(part.trimmed().toDouble(&ok));
        if (!ok || !std::isfinite(n.back()))
            n.clear();
    }
    if ((parts.size() != 2 && parts.size() != 3) || n.size() != std::size_t(parts.size()) || !(n[0] > 0) ||
        n[0] > 1e6 || n[1] < 0 || (n.size() == 3 && (n[2] < 0 || n[2] > 1e6)))
        return in.bad(QCoreApplication::translate(
            "tavin-record", "保持秒数 (0 より大きい),許容降下量 (0 以上)[,安定待ち秒数 (0 以上)]"));
    DecayTest t;
    t.name = QStringLiteral("tavin-record --decay %1").arg(v);
    t.holdS = n[0];
    t.maxDrop = n[1];
    t.settleS = n.size() == 3 ? n[2] : 0;
    in.r.decay = t;
    return QString();
}

QString takeQuiet(Reading& in, const QString&)
{
    in.r.quiet = true;
    return QString();
}

// ---- the options ----

struct OptionInfo {
    const char* name;
    const char* value;  // what --help shows for its value; nullptr: a switch
    const char* help;
    // A value that becomes a file's name, a CSV header's unit or a path is checked as one before
    // anything is read.
    std::optional<TextRole> text = std::nullopt;
    // The settings file's key the option stands in for, its text checked as `text`: a text that
    // cannot be used refuses the run, unless the option gives the value itself.
    const char* settingsKey = nullptr;
    // Checks the value given and applies it, in the table's order.
    QString (*take)(Reading&, const QString&) = nullptr;
    // Checks what the settings file gives when the option is not given.
    QString (*otherwise)(Reading&) = nullptr;
};

// Every option, in the order --help lists them.
constexpr OptionInfo Options[] = {
    {.name = "port",
     .value = "COMn|DEVICE",
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "ポート: COM1〜COM30 (設定フォルダの ports/COMn のリンクを含む) または\n"
                               "デバイスのパス (/dev/ttyUSB0)。既定: 設定ファイルの ComPort"),
     .text = TextRole::Folder,
     .take = takePort},
    {.name = "kind",
     .value = "0..5",
     .help = QT_TRANSLATE_NOOP(
         "tavin-record", "ゲージの種類: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200。\n既定: Term"),
     .take = takeKind,
     .otherwise = kindOfSettings},
    {.name = "baud",
     .value = "9600|38400|115200",
     .help = QT_TRANSLATE_NOOP("tavin-record", "通信速度。既定: 種類 2 と 4 は 115200、ほかは 9600"),
     .take = takeBaud},
    {.name = "sampling",
     .value = "MS|auto",
     .help =
         QT_TRANSLATE_NOOP("tavin-record", "サンプリング周期 (1〜600000 ms) または auto (最初の 10 フレーム\n"
                                           "から測る)。記録ファイルの時間軸になる。既定: Sampling"),
     .take = takeSampling},
    {.name = "unit",
     .value = "UNIT|auto",
     .help = QT_TRANSLATE_NOOP("tavin-record", "単位。auto はゲージの送る単位。既定: Tani (--- は auto)"),
     .text = TextRole::Unit,
     .settingsKey = "Tani",
     .take = takeUnit},
    {.name = "coef",
     .value = "X",
     .help = QT_TRANSLATE_NOOP("tavin-record", "係数 (記録ファイルに書かれる)。既定: 1"),
     .take = takeCoef},
    {.name = "dir",
     .value = "FOLDER",
     .help = QT_TRANSLATE_NOOP("tavin-record", "記録ファイルの保存フォルダ。既定: SaveDir"),
     .text = TextRole::Folder,
     .settingsKey = "SaveDir",
     .take = takeDir},
    {.name = "name",
     .value = "BASE",
     .help = QT_TRANSLATE_NOOP("tavin-record", "記録ファイル名の元。既定: FilePath (空なら RQ4600_Datas)"),
     .text = TextRole::Name,
     .settingsKey = "FilePath",
     .take = takeName},
    {.name = "max-samples",
     .value = "30000|360000",
     .help = QT_TRANSLATE_NOOP("tavin-record", "1 区間のサンプル数。満ちると保存して次の区間へ。既定: 30000"),
     .take = takeMaxSamples},
    // Read before any other value is applied (`readSettings`).
    {.name = "settings",
     .value = "FILE",
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "設定ファイル (読むだけで書き込まない)。既定: 設定フォルダ (実行ファイルの\n"
                               "横、インストールしたときは $XDG_CONFIG_HOME/TAVIN-Monitor) の\n"
                               "TAVIN-Monitor.ini (あれば)"),
     .text = TextRole::Folder},
    {.name = "duration",
     .value = "SECONDS",
     .help = QT_TRANSLATE_NOOP("tavin-record", "この秒数の後に停止して保存する。既定: 停止の信号まで"),
     .take = takeDuration},
    {.name = "mqtt",
     .value = "URL",
     .help =
         QT_TRANSLATE_NOOP("tavin-record", "値を MQTT ブローカーへ送る: mqtt://ホスト:ポート または\n"
                                           "mqtts://ホスト:ポート (TLS)。既定: MqttUrl (なければ送らない)"),
     .take = takeMqtt,
     .otherwise = mqttOfSettings},
    {.name = "mqtt-topic",
     .value = "TOPIC",
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "トピックの根。既定: MqttTopic (空なら tavin/<ホスト名>/<ポート>)"),
     .take = takeTopic},
    {.name = "mqtt-user",
     .value = "USER",
     .help = QT_TRANSLATE_NOOP("tavin-record", "ブローカーのユーザー名。既定: MqttUser"),
     .take = takeUser},
    {.name = "mqtt-password-file",
     .value = "FILE",
     .help =
         QT_TRANSLATE_NOOP("tavin-record", "パスワードを 1 行目に書いたファイル (所有者だけが読めること)。\n"
                                           "既定: MqttPasswordFile"),
     .text = TextRole::Folder,
     .settingsKey = "MqttPasswordFile",
     .take = takePasswordFile,
     .otherwise = passwordProblem},
    {.name = "reconnect",
     .value = nullptr,
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "デバイスが消えたら保存し、戻るのを待って新しい区間で記録を続ける。\n"
                               "既定: 保存して状態 3 で終了"),
     .take = takeReconnect},
    {.name = "analysis-csv",
     .value = nullptr,
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "保存した区間ごとに解析用 CSV (UTF-8、時刻はミリ秒まで) を記録ファイル\n"
                               "の横に書く: 名前は記録ファイルの .csv を _analysis.csv にしたもの"),
     .take = takeAnalysisCsv},
    {.name = "decay",
     .value = "HOLD,MAXDROP[,SETTLE]",
     .help = QT_TRANSLATE_NOOP("tavin-record",
                               "保存した区間ごとに圧力降下 (漏れ) 試験を判定する: 区間の始めから SETTLE 秒\n"
                               "(既定 0) 後の HOLD 秒間に、記録の単位で MAXDROP より多く下がれば NG。\n"
                               "判定行を標準出力に、結果を記録ファイルの横の decay-results.csv に書く"),
     .take = takeDecay},
    {.name = "quiet",
     .value = nullptr,
     .help = QT_TRANSLATE_NOOP("tavin-record", "端末に状態行を表示しない"),
     .take = takeQuiet},
    // Both taken before anything else, whatever else is given; --help before --version.
    {.name = "help",
     .value = nullptr,
     .help = QT_TRANSLATE_NOOP("tavin-record", "この説明を表示する (-h も同じ)")},
    {.name = "version", .value = nullptr, .help = QT_TRANSLATE_NOOP("tavin-record", "版を表示する")},
};

// The values checked as text before anything is read, in the order they always were: of two
// unusable values, the same one is named.
constexpr const char* TextFirst[] = {"name", "unit", "dir", "settings", "port", "mqtt-password-file"};

const OptionInfo* findOption(QStringView name)
{
    for (const OptionInfo& o : Options)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

// ---- the steps of a reading: each empty when it went through, else why the run cannot start ----

// The options given, by name: "--name value" or "--name=value"; the last one counts.
QString readArgs(const QStringList& args, QHash<QString, QString>& given)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QStringLiteral("--")))
            return QCoreApplication::translate("tavin-record",
                                               "オプションではない引数があります: %1 (--help で一覧を表示)")
                .arg(arg);
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        const OptionInfo* option = findOption(name);
        if (!option)
            return QCoreApplication::translate("tavin-record",
                                               "不明なオプションです: --%1 (--help で一覧を表示)")
                .arg(name);
        if (!option->value) {
            if (eq >= 0)
                return QCoreApplication::translate("tavin-record", "--%1 は値を取りません。").arg(name);
            given.insert(name, QString());
        } else if (eq >= 0) {
            given.insert(name, arg.mid(eq + 1));
        } else if (i + 1 < args.size() && !args[i + 1].startsWith(QStringLiteral("--"))) {
            given.insert(name, args[++i]);
        } else {
            return QCoreApplication::translate("tavin-record", "--%1 に値がありません (%2)。")
                .arg(name, QLatin1String(option->value));
        }
    }
    return QString();
}

QString textProblem(Reading& in)
{
    for (const char* name : TextFirst) {
        in.option = name;
        if (const QString why = TextRoleProblem(in.value(name), *findOption(QString::fromLatin1(name))->text);
            !why.isEmpty())
            return in.bad(why);
    }
    return QString();
}

// A name, unit or path in the settings file that no file or line can hold: the window replaces
// it, the recorder refuses it as it refuses the same on its command line, unless the command line
// gives that value itself.
QString settingsTextProblem(const Reading& in)
{
    for (const ReplacedSetting& k : in.conf.Replaced)
        for (const OptionInfo& o : Options)
            if (o.settingsKey && k.key == QLatin1String(o.settingsKey) && !in.has(o.name))
                if (const QString why = TextRoleProblem(k.held, *o.text); !why.isEmpty())
                    return QCoreApplication::translate("tavin-record",
                                                       "設定ファイル %1 の %2=%3 は使えません: %4。")
                        .arg(in.r.settingsPath, k.key, ControlsShown(k.held), why);
    return QString();
}

// The settings file fills in what the command line leaves out: the options it holds, with the
// recorder's own for a run on top.
QString readSettings(Reading& in)
{
    RecordOptions& r = in.r;
    r.settingsPath = in.has("settings") ? in.value("settings") : in.conf.SettingsFilePath;
    if (!QFileInfo::exists(r.settingsPath)) {
        if (in.has("settings"))
            return QCoreApplication::translate("tavin-record", "設定ファイル %1 がありません。")
                .arg(r.settingsPath);
        r.settingsPath.clear();
    }
    if (const QString why = in.conf.ConfRead(r.settingsPath); !why.isEmpty())
        return QCoreApplication::translate("tavin-record", "設定ファイル %1 を読み込めません (%2)。")
            .arg(r.settingsPath, why);
    for (const ReplacedSetting& k : in.conf.Replaced)
        r.replaced << ReplacedSettingLogText(k);
    if (const QString why = settingsTextProblem(in); !why.isEmpty())
        return why;

    AcquisitionOptions& o = r.acquisition;
    o = OptionsFromSettings(in.settings);
    // The large store is chosen for a run, never carried over from the settings file.
    o.maxDatas = 30000;
    // Nobody watches a readout: a fast gauge is read and the journal fed ten times a second.
    o.paceMs = 100;
    o.publishMs = 100;
    r.port = in.settings.ComPort > 0 ? portOfNumber(in.settings.ComPort) : QString();
    return QString();
}

// Each option given is checked and applied, and what stands for one not given is checked, in
// the table's order.
QString applyOptions(Reading& in)
{
    for (const OptionInfo& row : Options) {
        in.option = row.name;
        const QString why = in.has(row.name) ? (row.take ? row.take(in, in.value(row.name)) : QString())
                                             : (row.otherwise ? row.otherwise(in) : QString());
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

// A port the window numbers, "COM3" (in any case), among the machine's serial devices and the
// links in the settings folder.
QString findNumberedPort(Reading& in)
{
    RecordOptions& r = in.r;
    std::optional<int> n;
    if (r.port.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        n = wholeNumber(r.port.mid(3));
    in.option = "port";
    if (!n || *n < 1 || *n > 30)
        return in.bad(QCoreApplication::translate("tavin-record", "COM1〜COM30 またはデバイスのパス"));
    in.o.port = *n;
    r.port = portOfNumber(in.o.port);
    const QList<SerialDevice> devices = ListSerialDevices(in.env.configFolder());
    if (std::none_of(devices.begin(), devices.end(),
                     [&](const SerialDevice& d) { return d.number == in.o.port; }))
        return QCoreApplication::translate(
                   "tavin-record",
                   "ポート %1 がありません (シリアルデバイスも ports/%1 のリンクもありません)。")
            .arg(r.port);
    return QString();
}

// The port, as the window numbers them or as a device path.
QString findPort(Reading& in)
{
    RecordOptions& r = in.r;
    if (const int comPort = in.settings.ComPort; !in.has("port") && (comPort < 0 || comPort > 30))
        return QCoreApplication::translate(
                   "tavin-record",
                   "設定ファイルの ComPort=%1 は使えません: 1 から 30 の数。--port を指定してください。")
            .arg(comPort);
    if (r.port.isEmpty()) {
        const QList<ReplacedSetting>& replaced = in.conf.Replaced;
        const auto unusable = std::find_if(replaced.begin(), replaced.end(), [](const ReplacedSetting& k) {
            return k.key == QStringLiteral("ComPort");
        });
        return unusable == replaced.end()
                   ? QCoreApplication::translate(
                         "tavin-record",
                         "ポートを指定してください (--port COMn または --port /dev/ttyUSB0)。")
                   : QCoreApplication::translate(
                         "tavin-record",
                         "設定ファイルの ComPort=%1 は使えません。--port を指定してください。")
                         .arg(unusable->held);
    }
    if (!r.port.startsWith(u'/'))
        return findNumberedPort(in);
    in.o.device = r.port;
    if (!QFileInfo::exists(in.o.device))
        return QCoreApplication::translate("tavin-record", "デバイス %1 がありません。").arg(in.o.device);
    return QString();
}

// Where the recordings go: the folder goes into the journal list and the log, both in code page
// 932, as the window's file dialog refuses what that cannot hold.
QString saveProblem(Reading& in)
{
    const AcquisitionOptions& o = in.o;
    const QString path = QDir(o.saveDir).filePath(o.baseName);
    if (const QString unwritable = Cp932Unencodable(path); !unwritable.isEmpty())
        return QCoreApplication::translate(
                   "tavin-record",
                   "保存フォルダ名またはファイル名に Shift_JIS (CP932) で書けない文字があります (%1): %2")
            .arg(unwritable, path);
    if (const QString why = FolderProblem(o.saveDir); !why.isEmpty())
        return why;
    if (!BaseNameFits(o.saveDir, o.baseName))
        return BaseNameTooLongText(o.saveDir, o.baseName)
            .replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return QString();
}

}  // namespace

QString RecordUsage()
{
    QString text =
        QCoreApplication::translate("tavin-record", "使い方: tavin-record [オプション]") + u'\n' +
        QCoreApplication::translate(
            "tavin-record", "ゲージの値を画面なしで記録します。指定のない値は設定ファイルから取ります。") +
        QStringLiteral("\n\n");
    for (const OptionInfo& o : Options) {
        QString head = QStringLiteral("  --") + QLatin1String(o.name);
        if (o.value)
            head += u' ' + QLatin1String(o.value);
        head = head.leftJustified(30);
        if (head.size() > 30)
            head += QStringLiteral("\n") + QString(30, u' ');
        text += head +
                QCoreApplication::translate("tavin-record", o.help)
                    .replace(u'\n', QStringLiteral("\n") + QString(30, u' ')) +
                u'\n';
    }
    text += u'\n' +
            QCoreApplication::translate(
                "tavin-record",
                "保存した区間ごとに 1 行 (パス、サンプル数、最初と最後の時刻、タブ区切り) "
                "を標準出力に書きます。\n"
                "--decay では続けて判定の行 (OK、NG または 判定不能、パス、数値、タブ区切り) を書きます。\n"
                "SIGTERM, SIGINT, SIGHUP は途中の区間を保存して終了します。\n"
                "終了状態: 0 正常、1 保存できなかった測定データがある、2 入力の誤り、3 デバイスが消えた。") +
            u'\n';
    return text;
}

QString FolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.exists())
        return QCoreApplication::translate("tavin-record", "保存フォルダ %1 がありません。").arg(folder);
    if (!info.isDir())
        return QCoreApplication::translate("tavin-record", "%1 はフォルダではありません。").arg(folder);
    // Permission bits do not tell (root, read-only mounts, network shares): a scratch file does.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tavin-probe-XXXXXX")));
    if (!probe.open())
        return QCoreApplication::translate("tavin-record", "保存フォルダ %1 に書き込めません (%2)。")
            .arg(folder, probe.errorString());
    return QString();
}

ParsedCommandLine ParseRecordCommandLine(const QStringList& args, const AppEnv& env)
{
    ParsedCommandLine parsed;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        parsed.help = true;
        return parsed;
    }
    if (args.contains(QStringLiteral("--version"))) {
        parsed.version = true;
        return parsed;
    }
    Reading in(env, parsed.options);
    parsed.error = readArgs(args, in.given);
    // Values that become a file's name, a CSV header's unit or a path go before anything is read;
    // the files and the port are looked at once every value is known to be good.
    for (QString (*step)(Reading&) : {textProblem, readSettings, applyOptions, findPort, saveProblem})
        if (parsed.error.isEmpty())
            parsed.error = step(in);
    return parsed;
}

}  // namespace tavin
