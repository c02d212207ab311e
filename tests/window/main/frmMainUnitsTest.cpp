// Units, gauge kind and coefficient on the real window and its dialogs.
#include "support/WindowFixture.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

using namespace tavin;

namespace {

class Units : public test::WindowFixture {
protected:
    // Answers the next modal number dialog with a text, by OK or Cancel.
    void answerNumberDialog(const QString& text, bool ok)
    {
        QTimer::singleShot(0, [text, ok] {
            auto* d = qobject_cast<frmKeisuInput*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            test::Control<QLineEdit>(*d, "txtInput")->setText(text);
            ok ? d->cmdOK_Click() : d->cmdCancel_Click();
        });
    }
};

}  // namespace

TEST_F(Units, AStoredUnitNotInTheListTakesAUserSlot)
{
    w->gauge().SelectTani("Torr");
    EXPECT_TRUE(w->controls().mnuTaniExt[0]->isVisible());
    EXPECT_TRUE(w->controls().mnuTaniExt[0]->isChecked());
    EXPECT_EQ(w->controls().mnuTaniExt[0]->text(), "Torr");
    EXPECT_FALSE(w->controls().mnuTani[6]->isChecked());  // "torr"
    EXPECT_EQ(state->Settings.Tani, "Torr");
    EXPECT_EQ(w->controls().lblTaniH->text(), "Torr");
    EXPECT_EQ(state->ScaleTable[5].Unit, "Torr");
    EXPECT_FALSE(w->controls().mnuTaniAuto->isChecked());
}

TEST_F(Units, TheUnitDialogRefusesASixthUnitCommasAndTextWithoutACp932Code)
{
    frmTaniInput d(w.get(), w->gauge().unitMenuState(), t.prompts);
    for (int i = 0; i < 5; ++i) {
        test::Control<QLineEdit>(d, "txtTaniInput")->setText(QString("u%1").arg(i));
        d.cmdOK_Click();
    }
    EXPECT_EQ(d.unit(), "u4");
    EXPECT_EQ(w->gauge().unitMenuState().slots[4].caption, "u4");
    test::Control<QLineEdit>(d, "txtTaniInput")->setText("u5");
    d.cmdOK_Click();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "単位は、全て登録済みです!");
    EXPECT_EQ(t.prompts.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(d.unit(), "u4");

    test::Control<QLineEdit>(d, "txtTaniInput")->setText("k,Pa");
    d.cmdOK_Click();
    EXPECT_EQ(t.prompts.shown.size(), 2);
    EXPECT_EQ(d.unit(), "u4");

    // Units go into CP932 files: a character without a code there is refused where it is typed.
    const QString refused[][2] = {{"µbar", "(µ)"}, {"€", "(€)"}, {"압력", "(압력)"}, {"m😀", "(😀)"}};
    for (const auto& [unit, named] : refused) {
        const qsizetype before = t.prompts.shown.size();
        test::Control<QLineEdit>(d, "txtTaniInput")->setText(unit);
        d.cmdOK_Click();
        ASSERT_EQ(t.prompts.shown.size(), before + 1) << unit.toStdString();
        EXPECT_TRUE(t.prompts.shown.last().text.contains(named)) << t.prompts.shown.last().text.toStdString();
        EXPECT_EQ(t.prompts.shown.last().icon, MsgIcon::Exclamation);
        EXPECT_EQ(d.unit(), "u4");
    }

    t.prompts.answers = {MsgAnswer::Yes};
    d.cmdTaniDel_Click();
    for (const UserSlot& slot : w->gauge().unitMenuState().slots)
        EXPECT_FALSE(slot.visible);
    w->gauge().SelectTani("u4");  // a unit no slot holds takes the first free one
    EXPECT_EQ(w->controls().mnuTaniExt[0]->text(), "u4");
    EXPECT_TRUE(w->controls().mnuTaniExt[0]->isChecked());
}

TEST_F(Units, AUnitTypedInTheDialogIsShownAndOffered)
{
    whenShown<frmTaniInput>([](frmTaniInput& d) {
        test::Control<QLineEdit>(d, "txtTaniInput")->setText("mmHg");
        d.cmdOK_Click();
    });
    w->controls().mnuTaniInput->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(w->controls().lblTani->text(), "mmHg");
    EXPECT_EQ(state->Settings.Tani, "mmHg");
    EXPECT_EQ(w->engine().options().unit, "mmHg");  // the engine records it from the next sample
    EXPECT_TRUE(w->controls().mnuTaniExt[0]->isVisible());
    EXPECT_TRUE(w->controls().mnuTaniExt[0]->isChecked());
    EXPECT_FALSE(w->controls().mnuTaniAuto->isChecked());
}

TEST_F(Units, TheGaugeKindChoosesItsBaudRate)
{
    w->controls().mnuTermKind[4]->trigger();
    EXPECT_TRUE(w->controls().mnuBaoud[2]->isChecked());
    EXPECT_EQ(state->Settings.Term, 4);
    w->controls().mnuBaoud[1]->trigger();
    w->controls().mnuTermKind[6]->trigger();
    EXPECT_TRUE(w->controls().mnuBaoud[1]->isChecked());
    w->controls().mnuTermKind[5]->trigger();
    EXPECT_TRUE(w->controls().mnuBaoud[0]->isChecked());
    EXPECT_EQ(w->controls().lblBattery->text(), "-");
}

TEST_F(Units, TheCoefficientIgnoresZeroTextAndCancel)
{
    answerNumberDialog("2.5", true);
    w->controls().mnuKeisuInput->trigger();
    EXPECT_EQ(state->g_Keisu, 2.5f);
    for (const char* typed : {"0", "abc", "1e999"}) {
        answerNumberDialog(typed, true);
        w->controls().mnuKeisuInput->trigger();
        EXPECT_EQ(state->g_Keisu, 2.5f) << typed;
    }
    answerNumberDialog("7", false);
    w->controls().mnuKeisuInput->trigger();
    EXPECT_EQ(state->g_Keisu, 2.5f);
}

TEST_F(Units, LimitsAreEnteredThroughTheSameDialog)
{
    answerNumberDialog("12.5", true);
    w->controls().mnuUpperLimitInput->trigger();
    EXPECT_EQ(state->Settings.LimitHi, 12.5f);
    EXPECT_EQ(w->controls().lblUpper->text(), "12.5");
    answerNumberDialog("0", true);
    w->controls().mnuLowerLimitInput->trigger();
    EXPECT_EQ(state->Settings.LimitLow, -10000.0f);
}
