#include "window/dialogs/frmConfig.h"

#include "core/app/ConfFile.h"
#include "core/platform/AppEnv.h"
#include "core/platform/Prompts.h"
#include "core/trend/Cursor.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/widgets/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tavin {

frmPass::frmPass(QWidget* parent)
    : QDialog(parent), txtPass(named(new QLineEdit(this), "txtPass")),
      cmdOK(DialogButton(QStringLiteral("OK"), QStringLiteral("cmdOK"), this)),
      cmdCancel(DialogButton(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this))
{
    setObjectName(QStringLiteral("frmPass"));
    setWindowTitle(QStringLiteral("設定変更"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    txtPass->setEchoMode(QLineEdit::Password);
    txtPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*" for each character
    cmdOK->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("パスワード"), this), 0, 0, 1, 2);
    grid->addWidget(txtPass, 1, 0, 1, 2);
    grid->addWidget(cmdOK, 2, 0);
    grid->addWidget(cmdCancel, 2, 1);
    connect(cmdOK, &QPushButton::clicked, this, &frmPass::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    SettleLayout(this);
}

// A wrong entry says nothing: the dialog closes either way.
void frmPass::cmdOK_Click()
{
    granted_ = SettingsPasswordMatches(txtPass->text());
    accept();
}

void ConfigChoices::applyTo(SettingsRecord& s) const
{
    s.SaveDir = saveDir;
    s.MaxDatas = maxDatas;
    s.CursorInfo = cursorInfo;
}

frmConfig::frmConfig(const SettingsRecord& s, const AppEnv& env, QWidget* parent)
    : QDialog(parent),
      chkIndexDisp(named(new QCheckBox(QStringLiteral("データ番号表示有効"), this), "chkIndexDisp")),
      chkCursorBlink(named(new QCheckBox(QStringLiteral("カーソル点滅有効"), this), "chkCursorBlink")),
      cmdMyDocuments(
          DialogButton(QStringLiteral("マイドキュメントに設定"), QStringLiteral("cmdMyDocuments"), this)),
      cmdPrintOK(DialogButton(QStringLiteral("OK"), QStringLiteral("cmdPrintOK"), this)),
      cmdPrintCancel(DialogButton(QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("cmdPrintCancel"), this)),
      env_(env), choices_{s.SaveDir, s.MaxDatas, s.CursorInfo}
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("設定"));
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto* limit = new QGroupBox(QStringLiteral("最大保存データ数"), this);
    auto* limitLayout = new QVBoxLayout(limit);
    // Exclusive by a group, so that a limit other than the two leaves both unselected.
    auto* group = new QButtonGroup(limit);
    for (const char* caption : {"30000 件", "360000 件"}) {
        auto* o = named(new QRadioButton(QString::fromUtf8(caption), limit), "optMaxSaveData");
        group->addButton(o);
        limitLayout->addWidget(o);
        optMaxSaveData.append(o);
    }
    optMaxSaveData[0]->setChecked(s.MaxDatas == 30000);
    optMaxSaveData[1]->setChecked(s.MaxDatas == 360000);

    auto* cursor = new QGroupBox(QStringLiteral("カーソル設定"), this);
    auto* cursorLayout = new QVBoxLayout(cursor);
    cursorLayout->addWidget(chkIndexDisp);
    cursorLayout->addWidget(chkCursorBlink);
    chkIndexDisp->setChecked(s.CursorInfo & CursorShowsIndex);
    chkCursorBlink->setChecked(s.CursorInfo & CursorBlinks);

    auto* grid = new QGridLayout(this);
    grid->addWidget(limit, 0, 0, 1, 2);
    grid->addWidget(cursor, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("保存フォルダ設定"), this), 2, 0, 1, 2);
    grid->addWidget(cmdMyDocuments, 3, 0, 1, 2);
    grid->setRowMinimumHeight(4, 12);
    grid->addWidget(cmdPrintOK, 5, 0);
    grid->addWidget(cmdPrintCancel, 5, 1);
    setMinimumWidth(260);
    connect(cmdMyDocuments, &QPushButton::clicked, this, &frmConfig::cmdMyDocuments_Click);
    connect(cmdPrintOK, &QPushButton::clicked, this, &frmConfig::cmdPrintOK_Click);
    connect(cmdPrintCancel, &QPushButton::clicked, this, &QDialog::reject);
    SettleLayout(this);
}

// Only a folder that exists becomes the pending save folder; otherwise the user learns why.
void frmConfig::cmdMyDocuments_Click()
{
    bool exists = false;
    const QString documents = DocumentsFolder(env_, &exists);
    if (documents.isEmpty() || !exists) {
        env_.prompts->message(
            {QStringLiteral("ドキュメントフォルダが見つからないため、保存フォルダは変わりません。") +
                 (documents.isEmpty() ? QString()
                                      : QStringLiteral("\r\n(") + QDir::toNativeSeparators(documents) + u')'),
             windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    choices_.saveDir = documents;
}

void frmConfig::cmdPrintOK_Click()
{
    choices_.maxDatas = optMaxSaveData[0]->isChecked() ? 30000 : 360000;
    auto info = std::int16_t(choices_.cursorInfo & ~(CursorShowsIndex | CursorBlinks));
    if (chkIndexDisp->isChecked())
        info |= CursorShowsIndex;
    if (chkCursorBlink->isChecked())
        info |= CursorBlinks;
    choices_.cursorInfo = info;
    accept();
}

}  // namespace tavin
