#include "core/app/ConfFile.h"

#include "core/decode/Units.h"
#include "core/files/NameLimit.h"
#include "core/platform/AppEnv.h"
#include "core/platform/Errors.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "core/stream/StreamOptions.h"
#include "core/trend/MovingAverage.h"
#include "core/trend/Scale.h"

#include <QDir>
#include <QFile>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavin {

namespace {

const QString kHeader = QStringLiteral("[Init]");

// The key of a settings line: the text before its first "=", or nothing when it has none.
std::optional<QStringView> lineKey(QStringView line)
{
    const std::int32_t p = FindText(1, line, u"=");
    if (p == 0)
        return std::nullopt;
    return line.left(p - 1);
}

// The new file's values, in the order in which a new file lists them.
std::vector<std::array<QString, 2>> newFileValues(const AppEnv& env)
{
    return {
        {QStringLiteral("SaveDir"), GetMyDocumentsPath(env)},
        {QStringLiteral("RangePlus"), QStringLiteral("0")},
        {QStringLiteral("RangeMinus"), QStringLiteral("0")},
        {QStringLiteral("Tani"), QStringLiteral("---")},
        {QStringLiteral("Sampling"), QStringLiteral("1000")},
        {QStringLiteral("Term"), QStringLiteral("0")},
        {QStringLiteral("EtcConf"), QStringLiteral("0")},
        {QStringLiteral("AveNum"), QStringLiteral("1000")},
        {QStringLiteral("MaxDatas"), QStringLiteral("30000")},
        {QStringLiteral("CursorInfo"), QStringLiteral("7")},
        {QStringLiteral("LimitLow"), QStringLiteral("-10000")},
        {QStringLiteral("LimitHi"), QStringLiteral("10000")},
    };
}

// The index of the first line whose key is `key`; -1 when no line has that key.
qsizetype lineOf(const QStringList& lines, QStringView key)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto k = lineKey(lines[i]);
        if (k && *k == key)
            return i;
    }
    return -1;
}

// The value of the first line whose key is `key`; nothing when no line has that key (an empty
// value is a value).
std::optional<QString> lookUp(const QStringList& lines, QStringView key)
{
    const qsizetype i = lineOf(lines, key);
    if (i < 0)
        return std::nullopt;
    return lines[i].mid(key.size() + 1);
}

// Whether the text-to-number rule finds a number at the start of a text, rather than giving 0
// for want of one (empty text, a word). Blanks may stand anywhere, as the rule skips them.
bool hasLeadingNumber(QStringView text)
{
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n'))
            ++i;
    };
    auto isDigit = [&](bool hex) {
        if (i >= text.size())
            return false;
        const char16_t c = text[i].unicode();
        return (c >= u'0' && c <= u'9') || (hex && ((c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')));
    };
    skipBlanks();
    if (i + 1 < text.size() && text[i] == u'&' && (text[i + 1] == u'H' || text[i + 1] == u'h')) {
        i += 2;
        skipBlanks();
        return isDigit(true);
    }
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    skipBlanks();
    if (i < text.size() && text[i] == u'.')
        ++i;
    skipBlanks();
    return isDigit(false);
}

// Integer and Long keys: the leading number rounded half to even, when the text has one and the
// result lies in lo..hi.
template <class Int>
std::optional<Int> wholeIn(const QString& text, double lo, double hi)
{
    if (!hasLeadingNumber(text))
        return std::nullopt;
    const double r = RoundHalfEven(Val(text));
    if (!(r >= lo && r <= hi))
        return std::nullopt;  // also NaN
    return Int(r);
}

// The limits: the whole text as a 32-bit float.
std::optional<float> single(const QString& text)
{
    try {
        const float v = CSng(text);
        if (std::isfinite(v))
            return v;
    } catch (const RuntimeError&) {
    }
    return std::nullopt;
}

QString numberText(float v) { return GeneralSingle(v); }
template <class Int>
QString numberText(Int v)
{
    return QString::number(v);
}

// An empty value is named as such, so that the box does not show a bare "="; a control character
// is shown by its code, so that the box's line and the log's stay one line.
QString heldText(const QString& held)
{
    return held.isEmpty() ? QStringLiteral("（空）") : ControlsShown(held);
}

constexpr float kLimitLow = -10000.0f;
constexpr float kLimitHi = 10000.0f;
// The gauge kinds of the Term menu.
constexpr int kTermKinds = 7;
// The shortest and the longest entry of the sampling list.
constexpr double kShortestPeriodMs = 1;
constexpr double kLongestPeriodMs = 600000;

using I16 = std::int16_t;
using I32 = std::int32_t;

// Reads the keys of one settings file's lines; a value the program cannot use is replaced by the
// key's fallback and recorded in `replaced`.
struct KeyReader {
    const QStringList& lines;
    const QList<int>& undecodable;
    QList<ReplacedSetting>& replaced;

    // A text key's value when its bytes all decode and `usable` accepts it; nothing for a
    // missing key.
    struct TextValue {
        QString text;
        bool usable = false;
    };
    template <class Usable>
    std::optional<TextValue> textValue(const char* key, Usable&& usable) const
    {
        const QString k = QString::fromLatin1(key);
        const qsizetype i = lineOf(lines, k);
        if (i < 0)
            return std::nullopt;
        const QString v = lines[i].mid(k.size() + 1);
        return TextValue{v, !undecodable.contains(int(i)) && usable(v)};
    }
    // Reads one text key; a value the program cannot use is replaced by `fallback` and recorded.
    template <class Fallback, class Usable>
    void text(const char* key, QString& field, Fallback&& fallback, Usable&& usable)
    {
        const auto v = textValue(key, usable);
        if (v && v->usable) {
            field = v->text;
            return;
        }
        field = fallback();
        if (v)
            replaced.append({QLatin1String(key), v->text, field});
    }
    // Reads one key; a value the program cannot use is replaced by `fallback` and recorded.
    template <class Field, class Fallback, class Convert>
    void number(const char* key, Field& field, Fallback fallback, Convert&& convert)
    {
        const auto v = lookUp(lines, QString::fromLatin1(key));
        field = fallback;
        if (!v)
            return;
        if (const auto converted = convert(*v)) {
            field = *converted;
            return;
        }
        replaced.append({QLatin1String(key), *v, numberText(fallback)});
    }
};

std::optional<I16> any16(const QString& v) { return wholeIn<I16>(v, INT16_MIN, INT16_MAX); }
bool folderUsable(const QString& v) { return TextRoleProblem(v, TextRole::Folder).isEmpty(); }
QString noText() { return QString(); }

// The gauge, trend and window keys that follow the save folder, in reading order.
void readGaugeKeys(KeyReader& r, SettingsRecord& s)
{
    r.number("LimitLow", s.LimitLow, kLimitLow, single);
    r.number("LimitHi", s.LimitHi, kLimitHi, single);
    r.number("RangePlus", s.RangePlus, I16(0),
             [](const QString& v) { return wholeIn<I16>(v, 0, PlusRangeCount - 1); });
    r.number("RangeMinus", s.RangeMinus, I16(0),
             [](const QString& v) { return wholeIn<I16>(v, 0, MinusRangeCount - 1); });
    r.text(
        "Tani", s.Tani, [] { return QStringLiteral("---"); }, UnitAcceptable);
    r.number("Sampling", s.Sampling, I32(1000),
             [](const QString& v) { return wholeIn<I32>(v, kShortestPeriodMs, kLongestPeriodMs); });
    r.number("Term", s.Term, I16(0), [](const QString& v) { return wholeIn<I16>(v, 0, kTermKinds - 1); });
    r.number("EtcConf", s.EtcConf, I16(0), any16);
    r.number("AveNum", s.AveNum, I16(MovingAverage::DefaultLength),
             [](const QString& v) { return wholeIn<I16>(v, 1, MovingAverage::MaxLength); });
    r.number("MaxDatas", s.MaxDatas, I32(30000), [](const QString& v) -> std::optional<I32> {
        const auto n = wholeIn<I32>(v, INT32_MIN, INT32_MAX);
        return n && (*n == 30000 || *n == 360000) ? n : std::nullopt;
    });
    r.number("CursorInfo", s.CursorInfo, I16(7), any16);
    r.number("Password", s.Password, I16(0), any16);
    r.number("DebugMode", s.DebugMode, I16(0), any16);
}

// Keys that came after the others: a file without them lists no recent recording.
void readRecent(const KeyReader& r, QStringList& recent)
{
    recent.clear();
    for (int i = 1; i <= RecentMax; ++i)
        if (const auto v =
                r.textValue(QStringLiteral("Recent%1").arg(i).toLatin1().constData(), folderUsable);
            v && v->usable && !v->text.isEmpty())
            recent << v->text;
}

// The streaming keys, read last.
void readMqttKeys(KeyReader& r, SettingsRecord& s)
{
    r.text("MqttUrl", s.MqttUrl, noText,
           [](const QString& v) { return v.isEmpty() || ParseBrokerUrl(v, nullptr); });
    if (!r.replaced.isEmpty() &&
        r.replaced.last().key == QStringLiteral("MqttUrl"))  // named in the box and the log
        r.replaced.last().held = UrlForText(r.replaced.last().held);
    r.text("MqttTopic", s.MqttTopic, noText,
           [](const QString& v) { return v.isEmpty() || TopicProblem(v).isEmpty(); });
    r.text("MqttUser", s.MqttUser, noText, [](const QString&) { return true; });
    r.text("MqttPasswordFile", s.MqttPasswordFile, noText, folderUsable);
}

}  // namespace

std::int32_t FindText(std::int32_t start, QStringView text, QStringView pattern)
{
    if (start < 1 || start > text.size())
        return 0;
    const qsizetype at = text.indexOf(pattern, start - 1, Qt::CaseSensitive);
    return at < 0 ? 0 : std::int32_t(at + 1);
}

QString GetMyDocumentsPath(const AppEnv& env)
{
    bool exists = false;
    const QString dir = DocumentsFolder(env, &exists);
    if (dir.isEmpty())
        return QString();
    return exists ? dir : QStringLiteral("フォルダが存在しません。");
}

ConfFile::ConfFile(const AppEnv& env, SettingsRecord& settings) : env_(env), s_(settings) { setPaths(); }

void ConfFile::setPaths()
{
    SettingsFilePath = env_.configPath(QStringLiteral("TAVIN-Monitor.ini"));
    ScratchFilePath = env_.configPath(QStringLiteral("TAVIN-Monitor.tmp"));
}

QString ConfFile::ReadConfItem(const QString& key) const
{
    QStringList lines;
    if (!QFile::exists(SettingsFilePath) || !ReadTextLines(SettingsFilePath, lines))
        return QString();
    return lookUp(lines, key).value_or(QString());
}

short ConfFile::WriteConfItem(const QString& key, const QString& value)
{
    if (readOnly_)
        return -1;
    if (QFile::exists(ScratchFilePath))
        QFile::remove(ScratchFilePath);

    QString out = kHeader + QStringLiteral("\r\n");
    bool found = false, changed = false;
    if (QFile::exists(SettingsFilePath)) {
        QStringList lines;
        if (!ReadTextLines(SettingsFilePath, lines))
            return -1;
        for (const QString& line : lines) {
            const auto k = lineKey(line);
            if (!k)
                continue;  // the header, blank lines and any other text are dropped
            if (!found && *k == key) {
                found = true;
                changed = line.mid(k->size() + 1) != value;
                out += key + u'=' + value;
            } else {
                out += line;
            }
            out += QStringLiteral("\r\n");
        }
    }
    if (!found)
        out += key + u'=' + value + QStringLiteral("\r\n");
    if (found && !changed)
        return 0;  // the file and its time stamp stay as they are

    return ReplaceFileAtomically(SettingsFilePath, ScratchFilePath, ToCp932(out)) ? 0 : -1;
}

void ResetRunSettings(SettingsRecord& s)
{
    const SettingsRecord fresh;
    s.RangePlus = fresh.RangePlus;
    s.RangeMinus = fresh.RangeMinus;
    s.LimitLow = fresh.LimitLow;
    s.LimitHi = fresh.LimitHi;
    s.MaxDatas = fresh.MaxDatas;
}

short ConfFile::ConfStartUp()
{
    setPaths();
    if (!QFile::exists(SettingsFilePath)) {
        for (const auto& kv : newFileValues(env_))
            WriteConfItem(kv[0], kv[1]);
    }
    QString error;
    if (!read(&error)) {
        if (env_.prompts)
            env_.prompts->message({QStringLiteral("ConfStartUp: 設定ファイル %1 を読み込めません (%2)。\n"
                                                  "既定の設定で起動します。設定は終了時にも保存されません。")
                                       .arg(QDir::toNativeSeparators(SettingsFilePath), error),
                                   QString(), MsgButtons::Ok, MsgIcon::Critical});
        return -1;
    }
    return 0;
}

QString ConfFile::ConfRead(const QString& path)
{
    SettingsFilePath = path;
    ScratchFilePath.clear();
    readOnly_ = true;
    QString error;
    return read(&error) ? QString() : error;
}

bool ConfFile::read(QString* error)
{
    Replaced.clear();
    QStringList lines;
    QList<int> undecodable;
    const bool readable =
        !QFile::exists(SettingsFilePath) || ReadTextLines(SettingsFilePath, lines, error, &undecodable);
    if (!readable)
        lines.clear();  // every key takes its new-file value
    KeyReader r{lines, undecodable, Replaced};

    const auto documents = [&] {
        return readOnly_ ? QDir::toNativeSeparators(DocumentsFolder(env_, nullptr, false))
                         : GetMyDocumentsPath(env_);
    };
    // The base name is judged by the folder its recordings go to, which is read after it.
    const auto saveDir = r.textValue("SaveDir", folderUsable);
    const QString recordingFolder = saveDir && saveDir->usable ? saveDir->text : documents();

    r.number("ComPort", s_.ComPort, I16(0), any16);
    r.text("FilePath", s_.FilePath, noText, [&](const QString& v) {
        return TextRoleProblem(v, TextRole::Name).isEmpty() && BaseNameFits(recordingFolder, v);
    });
    r.text("SaveDir", s_.SaveDir, documents, folderUsable);
    readGaugeKeys(r, s_);
    readRecent(r, s_.Recent);
    readMqttKeys(r, s_);
    return readable;
}

QString ReplacedSettingsMessage(const QList<ReplacedSetting>& replaced)
{
    QString text = QStringLiteral("設定ファイル TAVIN-Monitor.ini の次の値は使用できないため、"
                                  "既定値に置き換えました。\n");
    for (const ReplacedSetting& r : replaced)
        text += QStringLiteral("\n%1=%2 → %3").arg(r.key, heldText(r.held), heldText(r.used));
    text += QStringLiteral("\n\n置き換えた値は終了時に設定ファイルへ保存されます。");
    return text;
}

QString ReplacedSettingLogText(const ReplacedSetting& replaced)
{
    return QStringLiteral("設定 %1 の値 %2 は使用できないため、既定値 %3 に置き換えました。")
        .arg(replaced.key, heldText(replaced.held), heldText(replaced.used));
}

short ConfFile::ConfSave()
{
    if (readOnly_)
        return -1;
    try {
        auto whole = [](auto v) { return QString::number(v); };
        const QString items[][2] = {
            {QStringLiteral("ComPort"), whole(s_.ComPort)},
            {QStringLiteral("SaveDir"), s_.SaveDir},
            {QStringLiteral("RangePlus"), whole(s_.RangePlus)},
            {QStringLiteral("RangeMinus"), whole(s_.RangeMinus)},
            {QStringLiteral("Tani"), s_.Tani},
            {QStringLiteral("Sampling"), whole(s_.Sampling)},
            {QStringLiteral("LimitLow"), GeneralSingle(s_.LimitLow)},
            {QStringLiteral("LimitHi"), GeneralSingle(s_.LimitHi)},
            {QStringLiteral("Term"), whole(s_.Term)},
            {QStringLiteral("EtcConf"), whole(s_.EtcConf)},
            {QStringLiteral("AveNum"), whole(s_.AveNum)},
            {QStringLiteral("MaxDatas"), whole(s_.MaxDatas)},
            {QStringLiteral("CursorInfo"), whole(s_.CursorInfo)},
            {QStringLiteral("FilePath"), s_.FilePath},
        };
        for (const auto& kv : items)
            WriteConfItem(kv[0], kv[1]);
        // After the others, and only when set or when there is something to clear.
        const auto appended = [&](const QString& key, const QString& value) {
            if (!value.isEmpty() || !ReadConfItem(key).isEmpty())
                WriteConfItem(key, value);
        };
        for (int i = 0; i < RecentMax; ++i)
            appended(QStringLiteral("Recent%1").arg(i + 1), i < s_.Recent.size() ? s_.Recent[i] : QString());
        appended(QStringLiteral("MqttUrl"), s_.MqttUrl);
        appended(QStringLiteral("MqttTopic"), s_.MqttTopic);
        appended(QStringLiteral("MqttUser"), s_.MqttUser);
        appended(QStringLiteral("MqttPasswordFile"), s_.MqttPasswordFile);
        return 0;
    } catch (const std::exception& e) {
        if (env_.prompts)
            env_.prompts->message(
                {QStringLiteral("ConfSave") + describe(e), QString(), MsgButtons::Ok, MsgIcon::Critical});
        return -1;
    }
}

}  // namespace tavin
