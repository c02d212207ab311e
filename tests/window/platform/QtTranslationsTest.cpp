// Qt's own dialog texts come out in Japanese, the window's language, whatever the locale.
#include "window/platform/QtTranslations.h"

#include "window/platform/DialogPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
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
    explicit Installed(QList<QTranslator*> installed) : translators(std::move(installed)) {}
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

// Every button the program's boxes and file dialogs show, read while each is open, under the
// locale the tests run with (C.UTF-8): Japanese, whatever the user's locale.
TEST(QtTranslations, EveryBoxReadsJapaneseUnderAnyLocale)
{
    ASSERT_NE(QLocale::system().language(), QLocale::Japanese) << "run under LANG=C.UTF-8";
    Installed qt(UseJapaneseQtTexts(*qApp));
    ASSERT_FALSE(qt.translators.isEmpty())
        << "no Qt catalog for Japanese: is qt6-translations-l10n installed?";

    QStringList read;  // the captions of the box open now, closed after reading
    const auto readAndClose = [&read] {
        QTimer::singleShot(0, [&read] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) {
                ADD_FAILURE() << "no box open";
                return;
            }
            for (const QAbstractButton* b : box->findChildren<QAbstractButton*>())
                if (b->isVisible() && !b->text().isEmpty())
                    read << readable(b->text());
            if (const auto* lookIn = box->findChild<QLabel*>(QStringLiteral("lookInLabel")))
                read << readable(lookIn->text());
            box->close();
        });
    };
    DialogPrompts prompts(QStringLiteral("t"));
    const std::pair<MsgButtons, QStringList> boxes[] = {
        {MsgButtons::Ok, {"OK"}},
        {MsgButtons::OkCancel, {"OK", "キャンセル"}},
        {MsgButtons::YesNo, {"はい", "いいえ"}},
        {MsgButtons::YesNoCancel, {"はい", "いいえ", "キャンセル"}},
    };
    for (const auto& [buttons, captions] : boxes) {
        read.clear();
        readAndClose();
        prompts.message({QStringLiteral("質問"), QString(), buttons, MsgIcon::Question});
        read.sort();
        QStringList want = captions;
        want.sort();
        EXPECT_EQ(read, want);
    }
    const std::pair<FileDialog::Kind, const char*> dialogs[] = {{FileDialog::Open, "開く"},
                                                                {FileDialog::Save, "保存"}};
    for (const auto& [kind, accept] : dialogs) {
        read.clear();
        readAndClose();
        FileDialog d;
        d.kind = kind;
        d.filter = QStringLiteral("CSVファイル(*.csv)|*.csv|");
        prompts.file(d);
        EXPECT_TRUE(read.contains(QString::fromUtf8(accept))) << read.join(u',').toStdString();
        EXPECT_TRUE(read.contains(QStringLiteral("キャンセル"))) << read.join(u',').toStdString();
        EXPECT_TRUE(read.contains(QStringLiteral("アドレス:")))
            << read.join(u',').toStdString();  // "Look in:"
    }
    prompts.notice({QStringLiteral("お知らせ"), QString()});  // not waited for: open beside the program
    int notices = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* n = qobject_cast<QMessageBox*>(w); n && n->isVisible()) {
            ++notices;
            EXPECT_EQ(readable(n->buttons().value(0)->text()), QStringLiteral("OK"));
            n->close();
        }
    EXPECT_EQ(notices, 1);
}

TEST(QtTranslations, AnEnglishLocaleKeepsQtsEnglishTexts)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    Installed qt(InstallQtTranslations(*qApp, english));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes);
    EXPECT_EQ(readable(box.button(QMessageBox::Yes)->text()), QStringLiteral("Yes"));
}
