// Qt's own dialog texts come out in Japanese once its catalogs are loaded for a Japanese locale.
#include "window/platform/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace tavin;

namespace {

// A button caption as read, without its keyboard mnemonic: "はい(&Y)" reads "はい".
QString readable(QString caption)
{
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    caption.remove(u'&');
    return caption.trimmed();
}

// Installs the catalogs for the test's duration and removes them again.
struct Installed {
    explicit Installed(const QLocale& locale) : translators(InstallQtTranslations(*qApp, locale)) {}
    ~Installed()
    {
        for (QTranslator* t : translators) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
    QList<QTranslator*> translators;
};

}  // namespace

TEST(QtTranslations, MessageBoxButtonsAndFileDialogsReadInJapanese)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    Installed qt(japanese);
    ASSERT_FALSE(qt.translators.isEmpty())
        << "no Qt catalog for Japanese: is qt6-translations-l10n installed?";

    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(readable(box.button(QMessageBox::Yes)->text()), QStringLiteral("はい"));
    EXPECT_EQ(readable(box.button(QMessageBox::No)->text()), QStringLiteral("いいえ"));
    EXPECT_EQ(readable(box.button(QMessageBox::Cancel)->text()), QStringLiteral("キャンセル"));

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Open), nullptr);
    EXPECT_EQ(readable(buttons->button(QDialogButtonBox::Open)->text()), QStringLiteral("開く"));
    EXPECT_EQ(readable(lookIn->text()), QStringLiteral("アドレス:"));  // "Look in:"
    QLocale::setDefault(QLocale::c());
}

TEST(QtTranslations, AnEnglishLocaleKeepsQtsEnglishTexts)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    Installed qt(english);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes);
    EXPECT_EQ(readable(box.button(QMessageBox::Yes)->text()), QStringLiteral("Yes"));
}
