#include "window/dialogs/frmDecay.h"

#include "core/platform/Prompts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tavin {

namespace {

QLineEdit* box(QDialog* dialog, const QString& name, const QString& text)
{
    auto* edit = new QLineEdit(text, dialog);
    edit->setObjectName(name);
    return edit;
}

}  // namespace

frmDecay::frmDecay(QWidget* parent, Prompts& prompts, const DecayTexts& texts, const QString& unit,
                   bool interval)
    : QDialog(parent), prompts_(prompts)
{
    setObjectName(QStringLiteral("frmDecay"));
    setWindowTitle(QStringLiteral("圧力降下試験の評価"));
    txtName = box(this, QStringLiteral("txtName"), texts.name);
    optFromStart = new QRadioButton(QStringLiteral("記録の先頭から (安定待ちの後の保持時間)"), this);
    optFromStart->setObjectName(QStringLiteral("optFromStart"));
    optInterval = new QRadioButton(QStringLiteral("カーソル区間"), this);
    optInterval->setObjectName(QStringLiteral("optInterval"));
    optInterval->setEnabled(interval);
    (interval ? optInterval : optFromStart)->setChecked(true);
    txtSettle = box(this, QStringLiteral("txtSettle"), texts.settleS);
    txtHold = box(this, QStringLiteral("txtHold"), texts.holdS);
    txtMaxDrop = box(this, QStringLiteral("txtMaxDrop"), texts.maxDrop);
    txtMaxRate = box(this, QStringLiteral("txtMaxRate"), texts.maxDropPerMin);
    txtVolume = box(this, QStringLiteral("txtVolume"), texts.volumeMl);
    const auto timesUsed = [this] {
        txtSettle->setEnabled(optFromStart->isChecked());
        txtHold->setEnabled(optFromStart->isChecked());
    };
    connect(optFromStart, &QRadioButton::toggled, this, timesUsed);
    timesUsed();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("試験名"), txtName);
    form->addRow(QStringLiteral("評価区間"), optFromStart);
    form->addRow(QString(), optInterval);
    form->addRow(QStringLiteral("安定待ち時間 (s)"), txtSettle);
    form->addRow(QStringLiteral("保持時間 (s)"), txtHold);
    form->addRow(QStringLiteral("許容降下 (%1)").arg(unit), txtMaxDrop);
    form->addRow(QStringLiteral("許容降下率 (%1/min)").arg(unit), txtMaxRate);
    form->addRow(QStringLiteral("容積 (mL, 任意)"), txtVolume);
    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("評価"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmDecay::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

DecayTexts frmDecay::texts() const
{
    return {txtName->text(),    txtSettle->text(),  txtHold->text(),
            txtMaxDrop->text(), txtMaxRate->text(), txtVolume->text()};
}

bool frmDecay::overInterval() const { return optInterval->isChecked(); }

void frmDecay::cmdOK_Click()
{
    const DecayTestParse parsed = ParseDecayTest(texts(), overInterval());
    if (!parsed.test) {
        prompts_.message({parsed.error, windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    test_ = *parsed.test;
    accept();
}

}  // namespace tavin
