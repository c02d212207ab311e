#include "app/ConfFile.h"

#include "platform/AppEnv.h"
#include "platform/Errors.h"
#include "platform/NumText.h"
#include "platform/Prompts.h"
#include "platform/TextFile.h"

#include <QFile>

#include <limits>
#include <optional>

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

// Integer and Long keys: the leading number, rounded half to even; out of range is an error.
template <class Int>
Int toWhole(const QString& text)
{
    const double r = RoundHalfEven(Val(text));
    if (!(r >= double(std::numeric_limits<Int>::min()) && r <= double(std::numeric_limits<Int>::max())))
        throw RuntimeError(kOverflow);
    return Int(r);
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

ConfFile::ConfFile(const AppEnv& env, SettingsRecord& settings) : env_(env), s_(settings)
{
    setPaths();
}

void ConfFile::setPaths()
{
    SettingsFilePath = env_.exePath(QStringLiteral("TAVIN-Monitor.ini"));
    ScratchFilePath = env_.exePath(QStringLiteral("TAVIN-Monitor.tmp"));
}

QString ConfFile::ReadConfItem(const QString& key) const
{
    QStringList lines;
    if (!QFile::exists(SettingsFilePath) || !ReadTextLines(SettingsFilePath, lines))
        return QString();
    for (const QString& line : lines) {
        const auto k = lineKey(line);
        if (k && *k == key)
            return line.mid(k->size() + 1);
    }
    return QString();
}

short ConfFile::WriteConfItem(const QString& key, const QString& value)
{
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

short ConfFile::ConfStartUp()
{
    setPaths();
    try {
        if (!QFile::exists(SettingsFilePath)) {
            const QString defaults[][2] = {
                {QStringLiteral("SaveDir"), GetMyDocumentsPath(env_)},
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
            for (const auto& kv : defaults)
                WriteConfItem(kv[0], kv[1]);
        }

        auto item = [&](const char* key) { return ReadConfItem(QString::fromLatin1(key)); };
        s_.ComPort = toWhole<std::int16_t>(item("ComPort"));
        s_.FilePath = item("FilePath");
        s_.SaveDir = item("SaveDir");
        s_.LimitLow = CSng(item("LimitLow"));
        s_.LimitHi = CSng(item("LimitHi"));
        s_.RangePlus = toWhole<std::int16_t>(item("RangePlus"));
        s_.RangeMinus = toWhole<std::int16_t>(item("RangeMinus"));
        s_.Tani = item("Tani");
        s_.Sampling = toWhole<std::int32_t>(item("Sampling"));
        s_.Term = toWhole<std::int16_t>(item("Term"));
        s_.EtcConf = toWhole<std::int16_t>(item("EtcConf"));
        s_.AveNum = toWhole<std::int16_t>(item("AveNum"));
        s_.MaxDatas = toWhole<std::int32_t>(item("MaxDatas"));
        s_.CursorInfo = toWhole<std::int16_t>(item("CursorInfo"));
        s_.Password = toWhole<std::int16_t>(item("Password"));
        s_.DebugMode = toWhole<std::int16_t>(item("DebugMode"));
        return 0;
    } catch (const std::exception& e) {
        if (env_.prompts)
            env_.prompts->message({QStringLiteral("ConfStartUp") + describe(e), QString(), MsgButtons::Ok,
                                   MsgIcon::Critical});
        return -1;
    }
}

short ConfFile::ConfSave()
{
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
        return 0;
    } catch (const std::exception& e) {
        if (env_.prompts)
            env_.prompts->message({QStringLiteral("ConfSave") + describe(e), QString(), MsgButtons::Ok,
                                   MsgIcon::Critical});
        return -1;
    }
}

}  // namespace tavin
