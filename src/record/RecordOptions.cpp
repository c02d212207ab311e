#include "record/RecordOptions.h"

#include "core/app/ConfFile.h"
#include "core/decode/Units.h"
#include "core/files/NameLimit.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/platform/TextFile.h"
#include "core/stream/StreamOptions.h"
#include "engine/CommControl.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>

namespace tavin {

namespace {

struct OptionInfo {
    const char* name;
    const char* value;  // nullptr: a switch
    const char* help;
};

// Every option, in the order --help lists them.
constexpr OptionInfo Options[] = {
    {"port", "COMn|DEVICE",
     "ポート: COM1〜COM30 (実行ファイルの横の ports/COMn のリンクを含む) または\n"
     "デバイスのパス (/dev/ttyUSB0)。既定: 設定ファイルの ComPort"},
    {"kind", "0..5", "ゲージの種類: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200。\n既定: Term"},
    {"baud", "9600|38400|115200", "通信速度。既定: 種類 2 と 4 は 115200、ほかは 9600"},
    {"sampling", "MS|auto",
     "サンプリング周期 (1〜600000 ms) または auto (最初の 10 フレーム\n"
     "から測る)。記録ファイルの時間軸になる。既定: Sampling"},
    {"unit", "UNIT|auto", "単位。auto はゲージの送る単位。既定: Tani (--- は auto)"},
    {"coef", "X", "係数 (記録ファイルに書かれる)。既定: 1"},
    {"dir", "FOLDER", "記録ファイルの保存フォルダ。既定: SaveDir"},
    {"name", "BASE", "記録ファイル名の元。既定: FilePath (空なら RQ4600_Datas)"},
    {"max-samples", "30000|360000", "1 区間のサンプル数。満ちると保存して次の区間へ。既定: 30000"},
    {"settings", "FILE",
     "設定ファイル (読むだけで書き込まない)。既定: 実行ファイルの横の\n"
     "TAVIN-Monitor.ini (あれば)"},
    {"duration", "SECONDS", "この秒数の後に停止して保存する。既定: 停止の信号まで"},
    {"mqtt", "URL",
     "値を MQTT ブローカーへ送る: mqtt://ホスト:ポート または\n"
     "mqtts://ホスト:ポート (TLS)。既定: MqttUrl (なければ送らない)"},
    {"mqtt-topic", "TOPIC", "トピックの根。既定: MqttTopic (空なら tavin/<ホスト名>/<ポート>)"},
    {"mqtt-user", "USER", "ブローカーのユーザー名。既定: MqttUser"},
    {"mqtt-password-file", "FILE",
     "パスワードを 1 行目に書いたファイル (所有者だけが読めること)。\n"
     "既定: MqttPasswordFile"},
    {"reconnect", nullptr,
     "デバイスが消えたら保存し、戻るのを待って新しい区間で記録を続ける。\n"
     "既定: 保存して状態 3 で終了"},
    {"analysis-csv", nullptr,
     "保存した区間ごとに解析用 CSV (UTF-8、時刻はミリ秒まで) を記録ファイル\n"
     "の横に書く: 名前は記録ファイルの .csv を _analysis.csv にしたもの"},
    {"quiet", nullptr, "端末に状態行を表示しない"},
    {"help", nullptr, "この説明を表示する (-h も同じ)"},
};

const OptionInfo* findOption(QStringView name)
{
    for (const OptionInfo& o : Options)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The gauge kinds that send something to record (kind 6, "その他", receives nothing).
constexpr int GaugeKinds = 6;

QString portOfNumber(int n) { return QStringLiteral("COM%1").arg(n); }

// A name, unit or path in the settings file that no file or line can hold: the window replaces
// it, the recorder refuses it as it refuses the same on its command line, unless the command line
// gives that value itself (`given`). Empty when none is.
QString settingsTextProblem(const QList<ReplacedSetting>& replaced, const QString& path,
                            const std::function<bool(const char*)>& given)
{
    const struct {
        const char* key;
        TextRole role;
        const char* option;
    } keys[] = {{"FilePath", TextRole::Name, "name"},
                {"SaveDir", TextRole::Folder, "dir"},
                {"Tani", TextRole::Unit, "unit"},
                {"MqttPasswordFile", TextRole::Folder, "mqtt-password-file"}};
    for (const ReplacedSetting& k : replaced)
        for (const auto& [key, role, option] : keys)
            if (const QString why = TextRoleProblem(k.held, role);
                k.key == QLatin1String(key) && !why.isEmpty() && !given(option))
                return QStringLiteral("設定ファイル %1 の %2=%3 は使えません: %4。")
                    .arg(path, k.key, ControlsShown(k.held), why);
    return QString();
}

}  // namespace

QString RecordUsage()
{
    QString text =
        QStringLiteral("使い方: tavin-record [オプション]\n"
                       "ゲージの値を画面なしで記録します。指定のない値は設定ファイルから取ります。\n\n");
    for (const OptionInfo& o : Options) {
        QString head = QStringLiteral("  --") + QLatin1String(o.name);
        if (o.value)
            head += u' ' + QLatin1String(o.value);
        head = head.leftJustified(30);
        if (head.size() > 30)
            head += QStringLiteral("\n") + QString(30, u' ');
        text +=
            head + QString::fromUtf8(o.help).replace(u'\n', QStringLiteral("\n") + QString(30, u' ')) + u'\n';
    }
    text += QStringLiteral(
        "\n保存した区間ごとに 1 行 (パス、サンプル数、最初と最後の時刻、タブ区切り) を標準出力に書きます。\n"
        "SIGTERM, SIGINT, SIGHUP は途中の区間を保存して終了します。\n"
        "終了状態: 0 正常、1 保存できなかった測定データがある、2 入力の誤り、3 デバイスが消えた。\n");
    return text;
}

QString FolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.exists())
        return QStringLiteral("保存フォルダ %1 がありません。").arg(folder);
    if (!info.isDir())
        return QStringLiteral("%1 はフォルダではありません。").arg(folder);
    // Permission bits do not tell (root, read-only mounts, network shares): a scratch file does.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tavin-probe-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("保存フォルダ %1 に書き込めません (%2)。").arg(folder, probe.errorString());
    return QString();
}

ParsedCommandLine ParseRecordCommandLine(const QStringList& args, const AppEnv& env)
{
    ParsedCommandLine parsed;
    QString& error = parsed.error;
    RecordOptions& r = parsed.options;

    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        parsed.help = true;
        return parsed;
    }
    // The options given, by name: "--name value" or "--name=value"; the last one counts.
    QHash<QString, QString> given;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QStringLiteral("--"))) {
            error = QStringLiteral("オプションではない引数があります: %1 (--help で一覧を表示)").arg(arg);
            return parsed;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        const OptionInfo* option = findOption(name);
        if (!option) {
            error = QStringLiteral("不明なオプションです: --%1 (--help で一覧を表示)").arg(name);
            return parsed;
        }
        if (!option->value) {
            if (eq >= 0) {
                error = QStringLiteral("--%1 は値を取りません。").arg(name);
                return parsed;
            }
            given.insert(name, QString());
        } else if (eq >= 0) {
            given.insert(name, arg.mid(eq + 1));
        } else if (i + 1 < args.size() && !args[i + 1].startsWith(QStringLiteral("--"))) {
            given.insert(name, args[++i]);
        } else {
            error = QStringLiteral("--%1 に値がありません (%2)。").arg(name, QLatin1String(option->value));
            return parsed;
        }
    }
    auto value = [&](const char* name) { return given.value(QLatin1String(name)); };
    auto has = [&](const char* name) { return given.contains(QLatin1String(name)); };
    auto bad = [&](const char* name, const QString& expected) {
        error = QStringLiteral("--%1 の値 %2 は使えません: %3。")
                    .arg(QLatin1String(name), ControlsShown(value(name)), expected);
        return parsed;
    };
    // Values that become a file's name, a CSV header's unit or a path, before anything is read.
    for (const auto& [name, role] : {std::pair{"name", TextRole::Name},
                                     {"unit", TextRole::Unit},
                                     {"dir", TextRole::Folder},
                                     {"settings", TextRole::Folder},
                                     {"port", TextRole::Folder},
                                     {"mqtt-password-file", TextRole::Folder}})
        if (const QString why = TextRoleProblem(value(name), role); !why.isEmpty())
            return bad(name, why);

    // The settings file fills in what the command line leaves out.
    SettingsRecord s;
    ConfFile conf(env, s);
    r.settingsPath = has("settings") ? value("settings") : conf.SettingsFilePath;
    if (!QFileInfo::exists(r.settingsPath)) {
        if (has("settings")) {
            error = QStringLiteral("設定ファイル %1 がありません。").arg(r.settingsPath);
            return parsed;
        }
        r.settingsPath.clear();
    }
    if (const QString why = conf.ConfRead(r.settingsPath); !why.isEmpty()) {
        error = QStringLiteral("設定ファイル %1 を読み込めません (%2)。").arg(r.settingsPath, why);
        return parsed;
    }
    for (const ReplacedSetting& k : conf.Replaced)
        r.replaced << ReplacedSettingLogText(k);
    error = settingsTextProblem(conf.Replaced, r.settingsPath, has);
    if (!error.isEmpty())
        return parsed;

    AcquisitionOptions& o = r.acquisition;
    o.term = s.Term;
    o.sampling = s.Sampling;
    o.unitAuto = s.Tani == QStringLiteral("---");
    o.unit = s.Tani;
    o.limitHi = s.LimitHi;
    o.limitLow = s.LimitLow;
    o.etcConf = s.EtcConf;
    o.aveLength = s.AveNum;
    o.rangePlus = s.RangePlus;
    o.rangeMinus = s.RangeMinus;
    o.saveDir = s.SaveDir;
    o.baseName = s.FilePath.isEmpty() ? DefaultBaseName : s.FilePath;
    // The large store is chosen for a run, never carried over from the settings file.
    o.maxDatas = 30000;
    // Nobody watches a readout: a fast gauge is read and the journal fed ten times a second.
    o.paceMs = 100;
    o.publishMs = 100;
    r.port = s.ComPort > 0 ? portOfNumber(s.ComPort) : QString();

    if (has("kind")) {
        const auto k = wholeNumber(value("kind"));
        if (!k || *k < 0 || *k >= GaugeKinds)
            return bad("kind", QStringLiteral("0 から 5 の数"));
        o.term = std::int16_t(*k);
    } else if (o.term >= GaugeKinds) {
        error = QStringLiteral("設定ファイルのゲージの種類 Term=%1 (その他) では何も受信しません。--kind "
                               "0..5 を指定してください。")
                    .arg(o.term);
        return parsed;
    }
    o.baudRate = KindBaudRate(o.term);
    if (has("baud")) {
        const auto b = wholeNumber(value("baud"));
        if (!b || (*b != 9600 && *b != 38400 && *b != 115200))
            return bad("baud", QStringLiteral("9600、38400、115200 のどれか"));
        o.baudRate = *b;
    }
    if (has("sampling")) {
        if (value("sampling") == QStringLiteral("auto")) {
            o.samplingAuto = true;
        } else {  // as the settings file takes it
            const auto ms = wholeNumber(value("sampling"));
            if (!ms || *ms < 1 || *ms > 600000)
                return bad("sampling", QStringLiteral("auto または 1 から 600000 の ms"));
            o.sampling = *ms;
        }
    }
    if (has("unit")) {
        const QString u = value("unit");
        o.unitAuto = u == QStringLiteral("auto") || u == QStringLiteral("---");
        o.unit = o.unitAuto ? QStringLiteral("---") : u;
        if (!o.unitAuto && (u.isEmpty() || !UnitAcceptable(u)))
            return bad("unit", QStringLiteral("auto、またはコンマを含まず Shift_JIS (CP932) で書ける単位"));
    }
    if (has("coef")) {
        bool ok = false;
        const double k = value("coef").toDouble(&ok);
        if (!ok || !KeisuAcceptable(k))
            return bad("coef", QStringLiteral("0 でない数"));
        o.keisu = float(k);
    }
    if (has("dir"))  // the log and the output name where files went, whatever the working folder
        o.saveDir = value("dir").isEmpty() ? QString() : QFileInfo(value("dir")).absoluteFilePath();
    if (has("name")) {
        o.baseName = value("name");
        if (o.baseName.isEmpty() || o.baseName.contains(u'/'))
            return bad("name", QStringLiteral("空でなく / を含まない名前"));
    }
    if (has("max-samples")) {
        const auto n = wholeNumber(value("max-samples"));
        if (!n || (*n != 30000 && *n != 360000))
            return bad("max-samples", QStringLiteral("30000 または 360000"));
        o.maxDatas = *n;
    }
    if (has("duration")) {
        bool ok = false;
        r.durationS = value("duration").toDouble(&ok);
        if (!ok || !(r.durationS > 0) || r.durationS > 1e9)
            return bad("duration", QStringLiteral("0 より大きく 1e9 以下の秒数"));
    }
    StreamOptions& st = o.stream;
    st = {s.MqttUrl, s.MqttTopic, s.MqttUser, s.MqttPasswordFile};
    if (has("mqtt")) {
        QString why;
        st.url = value("mqtt");
        if (!ParseBrokerUrl(st.url, &why)) {
            error = QStringLiteral("--mqtt の値 %1 は使えません: %2。").arg(UrlForText(st.url), why);
            return parsed;
        }
    } else if (std::any_of(conf.Replaced.begin(), conf.Replaced.end(),
                           [](const ReplacedSetting& k) { return k.key == QStringLiteral("MqttUrl"); })) {
        // Refused as on the command line: a recorder told to stream does not go on without it.
        const QString held = conf.ReadConfItem(QStringLiteral("MqttUrl"));
        QString why = QStringLiteral("読めない文字があります");  // when only its bytes were wrong
        ParseBrokerUrl(held, &why);
        error = QStringLiteral("設定ファイル %1 の MqttUrl=%2 は使えません: %3。")
                    .arg(r.settingsPath, UrlForText(held), why);
        return parsed;
    }
    if (has("mqtt-topic")) {
        st.topic = value("mqtt-topic");
        if (const QString why = TopicProblem(st.topic); !why.isEmpty())
            return bad("mqtt-topic", why);
    }
    if (has("mqtt-user"))
        st.user = value("mqtt-user");
    if (has("mqtt-password-file"))
        st.passwordFile = value("mqtt-password-file");
    if (st.on() && !st.passwordFile.isEmpty()) {
        QString password;
        if (const QString why = ReadPasswordFile(st.passwordFile, &password); !why.isEmpty()) {
            error = why;
            return parsed;
        }
        if (st.user.isEmpty()) {
            error =
                QStringLiteral("パスワードファイルを使うにはユーザー名 (--mqtt-user) も指定してください。");
            return parsed;
        }
    }
    r.quiet = has("quiet");
    r.acquisition.analysisCsv = has("analysis-csv");
    r.reconnect = has("reconnect");

    // The port, as the window numbers them or as a device path.
    if (has("port")) {
        r.port = value("port");
    } else if (s.ComPort < 0 || s.ComPort > 30) {
        error = QStringLiteral(
                    "設定ファイルの ComPort=%1 は使えません: 1 から 30 の数。--port を指定してください。")
                    .arg(s.ComPort);
        return parsed;
    }
    if (r.port.isEmpty()) {
        const auto unusable =
            std::find_if(conf.Replaced.begin(), conf.Replaced.end(),
                         [](const ReplacedSetting& k) { return k.key == QStringLiteral("ComPort"); });
        error = unusable == conf.Replaced.end()
                    ? QStringLiteral("ポートを指定してください (--port COMn または --port /dev/ttyUSB0)。")
                    : QStringLiteral("設定ファイルの ComPort=%1 は使えません。--port を指定してください。")
                          .arg(unusable->held);
        return parsed;
    }
    if (r.port.startsWith(u'/')) {
        o.device = r.port;
        if (!QFileInfo::exists(o.device)) {
            error = QStringLiteral("デバイス %1 がありません。").arg(o.device);
            return parsed;
        }
    } else {
        const auto n = r.port.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive)
                           ? wholeNumber(r.port.mid(3))
                           : std::nullopt;
        if (!n || *n < 1 || *n > 30)
            return bad("port", QStringLiteral("COM1〜COM30 またはデバイスのパス"));
        o.port = *n;
        r.port = portOfNumber(*n);
        bool found = false;
        for (const SerialDevice& d : ListSerialDevices(env.exeDir))
            found = found || d.number == o.port;
        if (!found) {
            error =
                QStringLiteral("ポート %1 がありません (シリアルデバイスも ports/%1 のリンクもありません)。")
                    .arg(r.port);
            return parsed;
        }
    }

    // The folder goes into the journal list and the log, both in code page 932, as the window's
    // file dialog refuses what that cannot hold.
    if (const QString unwritable = Cp932Unencodable(QDir(o.saveDir).filePath(o.baseName));
        !unwritable.isEmpty()) {
        error = QStringLiteral(
                    "保存フォルダ名またはファイル名に Shift_JIS (CP932) で書けない文字があります (%1): %2")
                    .arg(unwritable, QDir(o.saveDir).filePath(o.baseName));
        return parsed;
    }
    if (const QString why = FolderProblem(o.saveDir); !why.isEmpty()) {
        error = why;
        return parsed;
    }
    if (!BaseNameFits(o.saveDir, o.baseName)) {
        error =
            BaseNameTooLongText(o.saveDir, o.baseName).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        return parsed;
    }
    return parsed;
}

}  // namespace tavin
