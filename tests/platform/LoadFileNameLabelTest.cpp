// The recording's name under the file-name box is readable whole, however long the stamps make it.
#include "platform/Controls.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

using namespace tavin;

namespace {

class LoadFileName : public test::WindowFixture {};

}  // namespace

TEST_F(LoadFileName, ALongRecordingNameFitsWholeInItsPlace)
{
    w->show();
    const auto* shown = w->ui.lblLoadFileName->findChild<QLabel*>(QStringLiteral("lblLoadFileNameCaption"));
    ASSERT_NE(shown, nullptr);
    for (const QString& name : {QStringLiteral("RQ4600_Datas-20261206-130034-1-20261206-140112.csv"),
                               QStringLiteral("Line3_StationB_Pressure-20261206-130034-12-20261206-140112.csv")}) {
        w->ui.lblLoadFileName->setText(name);
        EXPECT_EQ(w->ui.lblLoadFileName->text(), name);  // what others read stays the plain name
        EXPECT_TRUE(shown->isVisible());
        QString text = shown->text();
        EXPECT_EQ(text.remove(QChar(0x200B)), name);
        // Laid out as the label lays it out, the whole text stays inside the label.
        const QRect needed = QFontMetrics(shown->font())
                                 .boundingRect(QRect(0, 0, shown->width(), 1000), Qt::TextWordWrap, shown->text());
        EXPECT_LE(needed.width(), shown->width()) << name.toStdString();
        EXPECT_LE(needed.height(), shown->height()) << name.toStdString();
        EXPECT_EQ(w->ui.lblLoadFileName->toolTip(), name);
    }
    // Nothing else on the panel is covered by the two lines.
    EXPECT_LE(w->ui.lblLoadFileName->geometry().bottom(), w->ui.chkUpperLimit->geometry().top());
    EXPECT_GE(w->ui.lblLoadFileName->geometry().top(), w->ui.txtSaveFileName->geometry().bottom());
    w->ui.lblLoadFileName->setText(QString());
    EXPECT_TRUE(shown->text().isEmpty());
}
