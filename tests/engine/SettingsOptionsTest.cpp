// The settings file read as the engine's options, once for the window and the recorder alike.
#include "engine/SettingsOptions.h"
#include "core/app/ConfFile.h"

#include <gtest/gtest.h>

using namespace tavin;

namespace {

TEST(SettingsOptions, EachKeyBecomesTheOptionItMeans)
{
    SettingsRecord s;
    s.ComPort = 3;
    s.FilePath = "bench";
    s.SaveDir = "/data";
    s.LimitLow = -5;
    s.LimitHi = 7;
    s.RangePlus = 2;
    s.RangeMinus = 1;
    s.Tani = "kPa";
    s.Sampling = 10;
    s.Term = 4;
    s.EtcConf = 6;
    s.AveNum = 50;
    s.MaxDatas = 360000;
    s.MqttUrl = "mqtt://plant";
    s.MqttTopic = "plant/a";
    s.MqttUser = "u";
    s.MqttPasswordFile = "/pw";
    AcquisitionOptions want;  // what the file holds nothing of keeps its default
    want.port = 3;
    want.baudRate = 115200;
    want.term = 4;
    want.sampling = 10;
    want.unitAuto = false;
    want.unit = "kPa";
    want.limitHi = 7;
    want.limitLow = -5;
    want.etcConf = 6;
    want.aveLength = 50;
    want.maxDatas = 360000;
    want.rangePlus = 2;
    want.rangeMinus = 1;
    want.saveDir = "/data";
    want.baseName = "bench";
    want.stream = {"mqtt://plant", "plant/a", "u", "/pw"};
    EXPECT_TRUE(OptionsFromSettings(s) == want);

    // The unit follows the gauge for "---", the rate follows the kind, the base name has a default.
    const struct {
        const char* tani;
        std::int16_t term;
        const char* filePath;
        bool unitAuto;
        int baudRate;
        const char* baseName;
    } cases[] = {
        {"---", 0, "", true, 9600, "RQ4600_Datas"},
        {"Pa", 2, "a", false, 115200, "a"},
        {"", 3, "", false, 9600, "RQ4600_Datas"},
        {"kPa", 6, "b", false, 9600, "b"},  // "その他" has no rate of its own
    };
    for (const auto& c : cases) {
        s.Tani = c.tani;
        s.Term = c.term;
        s.FilePath = c.filePath;
        const AcquisitionOptions o = OptionsFromSettings(s);
        EXPECT_EQ(o.unitAuto, c.unitAuto) << c.tani;
        EXPECT_EQ(o.unit, c.tani);
        EXPECT_EQ(o.baudRate, c.baudRate) << c.term;
        EXPECT_EQ(o.baseName, c.baseName) << c.filePath;
    }
}

}  // namespace
