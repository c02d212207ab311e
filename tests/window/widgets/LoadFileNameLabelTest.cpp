// The recording's name under the file-name box: one line that never runs into the check box below,
// cut in the middle when too long, whole in the tool tip.
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

using namespace tavin;

namespace {

class LoadFileName : public test::WindowFixture {};

}  // namespace

TEST_F(LoadFileName, ALongRecordingNameIsCutInTheMiddleOnOneLine)
{
    w->show();
    const auto* shown =
        w->controls().lblLoadFileName->findChild<QLabel*>(QStringLiteral("lblLoadFileNameCaption"));
    ASSERT_NE(shown, nullptr);
    for (const QString& name :
         {QStringLiteral("short.csv"), QStringLiteral("RQ4600_Datas-20261206-130034-1-20261206-140112.csv"),
          QStringLiteral("Line3_StationB_Pressure-20261206-130034-12-20261206-140112.csv")}) {
        w->controls().lblLoadFileName->setText(name);
        EXPECT_EQ(w->controls().lblLoadFileName->text(), name);  // what others read stays the plain name
        EXPECT_EQ(w->controls().lblLoadFileName->toolTip(), name);
        const QString text = shown->text();
        const QFontMetrics m(shown->font());
        EXPECT_LE(m.horizontalAdvance(text), shown->width()) << text.toStdString();
        EXPECT_LE(m.height(), shown->height());
        if (text != name) {  // cut: its start and its end stay
            EXPECT_TRUE(text.contains(QChar(0x2026))) << text.toStdString();
            EXPECT_TRUE(name.startsWith(text.section(QChar(0x2026), 0, 0))) << text.toStdString();
            EXPECT_TRUE(name.endsWith(text.section(QChar(0x2026), 1))) << text.toStdString();
        }
    }
    EXPECT_NE(shown->text(), w->controls().lblLoadFileName->text());  // the longest name did not fit whole
    // Nothing else on the panel is covered.
    EXPECT_LE(w->controls().lblLoadFileName->geometry().bottom(),
              w->controls().chkUpperLimit->geometry().top());
    EXPECT_GE(w->controls().lblLoadFileName->geometry().top(),
              w->controls().txtSaveFileName->geometry().bottom());
    w->controls().lblLoadFileName->setText(QString());
    EXPECT_TRUE(shown->text().isEmpty());
}
