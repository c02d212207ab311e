#include "engine/SettingsOptions.h"

#include "core/app/ConfFile.h"
#include "core/decode/Units.h"
#include "core/files/RecordingFiles.h"

namespace tavin {

AcquisitionOptions OptionsFromSettings(const SettingsRecord& s)
{
    AcquisitionOptions o;
    o.port = s.ComPort;
    o.term = s.Term;
    // The kind's own rate, as the kind menu selects it; a kind without one (6) keeps the default.
    if (const int baud = KindBaudRate(s.Term); baud != 0)
        o.baudRate = baud;
    o.sampling = s.Sampling;
    o.unitAuto = s.Tani == QStringLiteral("---");
    o.unit = s.Tani;
    o.limitHi = s.LimitHi;
    o.limitLow = s.LimitLow;
    o.etcConf = s.EtcConf;
    o.aveLength = s.AveNum;
    o.maxDatas = s.MaxDatas;
    o.rangePlus = s.RangePlus;
    o.rangeMinus = s.RangeMinus;
    o.saveDir = s.SaveDir;
    o.baseName = s.FilePath.isEmpty() ? DefaultBaseName : s.FilePath;
    o.stream.url = s.MqttUrl;
    o.stream.topic = s.MqttTopic;
    o.stream.user = s.MqttUser;
    o.stream.passwordFile = s.MqttPasswordFile;
    return o;
}

}  // namespace tavin
