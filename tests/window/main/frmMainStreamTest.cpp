// The window streaming as a bench engineer sees it: the broker's state in the status bar, red
// while it cannot be reached, and the values reaching a real broker.
#include "support/Broker.h"
#include "support/WindowFixture.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>

using namespace tavin;

namespace {

class WindowStream : public test::WindowFixture {};

TEST_F(WindowStream, TheStatusBarShowsTheBrokerAndTheValuesReachIt)
{
    QLabel* label = w->findChild<QLabel*>("lblStream");
    ASSERT_NE(label, nullptr);
    w->pushOptions();
    EXPECT_TRUE(label->isHidden());  // nothing configured, nothing shown

    // A broker that is not there: said in the status bar and in red.
    test::Broker broker;
    state->Settings.MqttUrl = broker.url();
    state->Settings.MqttTopic = "plant/window";
    w->pushOptions();
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text().contains("接続できません"); }, 10000))
        << label->text().toStdString();
    EXPECT_FALSE(label->isHidden());
    EXPECT_TRUE(label->styleSheet().contains("192, 0, 0"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w->statusBar()->currentMessage().contains("に接続できません"); }, 5000));

    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    test::Subscriber sub(broker.port(), "plant/window/values");
    ASSERT_TRUE(sub.waitConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text().contains("接続中"); }, 10000))
        << label->text().toStdString();
    EXPECT_EQ(label->styleSheet(), "");
    startWithoutPort();
    for (float v : {1.5f, 2.5f, 3.5f})
        feedValue(v);
    ASSERT_TRUE(sub.waitFor([](const auto& m) { return test::ValuesOf(m).values.size() == 3; }, 10000));
    EXPECT_EQ(test::ValuesOf(sub.messages()).values, (std::vector<float>{1.5f, 2.5f, 3.5f}));

    // Settings without a URL: streaming ends and the label goes.
    state->Settings.MqttUrl.clear();
    w->pushOptions();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            w->RefreshScreen();
            return label->isHidden();
        },
        5000));
}

}  // namespace
