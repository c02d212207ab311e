// The settings file "TAVIN-Monitor.ini" in the settings folder (AppFolders): a flat list of key=value lines
// under one "[Init]" header, read at start-up into the Settings record and written back at exit.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

namespace tavin {

struct AppEnv;

// One field per key of the settings file. Integer keys are 16-bit, Long 32-bit, Single float.
struct SettingsRecord {
    std::int16_t ComPort = 0;       // COM port number of the gauge, 1..30
    QString FilePath;               // last file name in the save-file box
    QString SaveDir;                // folder for recording files
    float LimitLow = -10000.0f;     // lower limit value
    float LimitHi = 10000.0f;       // upper limit value
    std::int16_t RangePlus = 0;     // index of the plus-side sensor range
    std::int16_t RangeMinus = 0;    // index of the minus-side range
    QString Tani;                   // unit name; "---" takes the unit from the gauge
    std::int32_t Sampling = 0;      // sampling period in milliseconds
    std::int16_t Term = 0;          // gauge kind 0..6
    std::int16_t EtcConf = 0;       // EtcConfBit: moving average shown, lower and upper limit on
    std::int16_t AveNum = 0;        // values in the moving average
    std::int32_t MaxDatas = 30000;  // sample limit of the store, 30000 or 360000
    std::int16_t CursorInfo = 0;    // 1 data number, 2 time, 4 cursor blinks
    std::int16_t Password = 0;      // non-zero: the settings dialog asks no password (never written)
    std::int16_t DebugMode = 0;     // non-zero: the window starts in the debug width (never written)
    QStringList Recent;             // the recordings loaded last, newest first (Recent1..Recent5)
    // Streaming to an MQTT broker; none of these keys is in a file that does not use it.
    QString MqttUrl;    // mqtt://host:port or mqtts://host:port; empty: no streaming
    QString MqttTopic;  // the topics' root; empty: tavin/<host name>/COM<n>
    QString MqttUser;
    QString MqttPasswordFile;  // a file holding the password, readable by its owner only

    bool operator==(const SettingsRecord&) const = default;
};

// The settings a window's run starts from before its file is read (a file that cannot be read
// leaves them): the ranges, the limits and the store's sample limit as a new record has them.
void ResetRunSettings(SettingsRecord& s);
// What no file carries into a window's run: the large store is chosen per run in the settings
// dialog.
inline void ApplyPerRunSettings(SettingsRecord& s) { s.MaxDatas = SettingsRecord().MaxDatas; }

// The bits of EtcConf: what the window showed at exit comes back at the next start.
enum EtcConfBit : std::int16_t { EtcAverage = 1, EtcLowerLimit = 2, EtcUpperLimit = 4 };
constexpr bool EtcConfHas(std::int16_t conf, EtcConfBit bit) { return (conf & bit) != 0; }
constexpr std::int16_t EtcConfWith(std::int16_t conf, EtcConfBit bit, bool on)
{
    return std::int16_t(on ? conf | bit : conf & ~bit);
}

// How many recordings the first menu lists for loading again.
constexpr int RecentMax = 5;

// A key whose text in the file could not be used at start-up, and the value put in its place
// (the one a new file holds), so that the user can be told what was lost.
struct ReplacedSetting {
    QString key;
    QString held;  // the text after "=" in the file
    QString used;  // the value in force now, as it will be written at exit

    bool operator==(const ReplacedSetting&) const = default;
};

class ConfFile {
public:
    ConfFile(const AppEnv& env, SettingsRecord& settings);

    // Reads every key into the record, creating the file with defaults when it is missing. Each
    // key is read on its own: a missing key takes the value a new file holds; a key that does not
    // convert or lies outside what the program's menus can set takes that value too and is listed
    // in `Replaced`. 0 when the file was read, -1 (with a box) when it could not be read at all.
    short ConfStartUp();
    // Reads every key from `path` as ConfStartUp does, but never creates or changes the file (nor
    // does anything else from then on): a missing file gives every key its new-file value. Empty
    // when read, else why not.
    QString ConfRead(const QString& path);
    // Writes the record back, one key at a time; 0 on success, -1 on failure.
    short ConfSave();

    // The value of `key`, or the empty text when the file or the key is missing.
    QString ReadConfItem(const QString& key) const;
    // Sets one key; the file is rewritten only when the key is new or its value changed.
    short WriteConfItem(const QString& key, const QString& value);

    QString SettingsFilePath;
    QString ScratchFilePath;
    // The keys the last ConfStartUp replaced, in reading order.
    QList<ReplacedSetting> Replaced;

private:
    void setPaths();
    // Reads SettingsFilePath into the record; false, with why, when the file cannot be read.
    bool read(QString* error);

    const AppEnv& env_;
    SettingsRecord& s_;
    bool readOnly_ = false;  // nothing is created, not even the Documents folder a default names
};

// The box text naming every replaced key, the value it held and the value now in force.
QString ReplacedSettingsMessage(const QList<ReplacedSetting>& replaced);
// One log line for one replaced key.
QString ReplacedSettingLogText(const ReplacedSetting& replaced);

// The 1-based position of the first `pattern` in `text` at or after `start`; 0 when absent.
std::int32_t FindText(std::int32_t start, QStringView text, QStringView pattern);

// The user's Documents folder; a text saying what went wrong when there is none.
QString GetMyDocumentsPath(const AppEnv& env);

// The settings dialog's password: a fixed text, compared exactly.
inline bool SettingsPasswordMatches(QStringView typed) { return typed == u"7319"; }

}  // namespace tavin
