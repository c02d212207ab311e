#include "window/dialogs/frmInputDialogs.h"

#include "core/app/AppState.h"
#include "core/decode/Units.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tavin {

namespace {

// Selects the box's text on every click and focus, as the dialogs' boxes do.
class SelectAllOnFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease) {
            auto* box = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, box, [box] { TextBoxClick(box); });
        }
        return false;
    }
};

}  // namespace

QPushButton* DialogButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

void TextBoxClick(QLineEdit* box) { box->setSelection(0, int(box->text().size())); }

frmTaniInput::frmTaniInput(QWidget* parent, UnitMenuState& menu, Prompts& prompts)
    : QDialog(parent), txtTaniInput(new QLineEdit(this)), cmdOK(DialogButton("OK", "cmdOK", this)),
      cmdCancel(DialogButton(QStringLiteral("&Cancel"), "cmdCancel", this)),
      cmdTaniDel(DialogButton(QStringLiteral("全削除"), "cmdTaniDel", this)), menu_(menu), prompts_(prompts)
{
    setObjectName(QStringLiteral("frmTaniInput"));
    setWindowTitle(QStringLiteral("単位の入力"));
    setWindowIcon(parent->windowIcon());
    txtTaniInput->setObjectName(QStringLiteral("txtTaniInput"));
    txtTaniInput->setMaxLength(MaxUnitLength);  // the settings file takes no longer unit either
    txtTaniInput->installEventFilter(new SelectAllOnFocus(this));
    cmdOK->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("単位の入力"), this), 0, 0, 1, 3);
    grid->addWidget(txtTaniInput, 1, 0, 1, 3);
    grid->addWidget(cmdOK, 2, 0);
    grid->addWidget(cmdCancel, 2, 1);
    grid->addWidget(cmdTaniDel, 2, 2);
    connect(cmdOK, &QPushButton::clicked, this, &frmTaniInput::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdTaniDel, &QPushButton::clicked, this, &frmTaniInput::cmdTaniDel_Click);
    SettleLayout(this);
}

void frmTaniInput::cmdOK_Click()
{
    Prompts& prompts = prompts_;
    const QString unit = txtTaniInput->text();
    // The unit is written into every recording's header, whose fields are split at commas.
    if (unit.contains(u',')) {
        prompts.message({QStringLiteral("単位に「,」(カンマ)は使えません。"), QString(), MsgButtons::Ok,
                         MsgIcon::Exclamation});
        return;
    }
    // The header and the settings file are CP932: a character it has no code for would be
    // written as junk that no reader turns back into the unit.
    if (const QString bad = Cp932Unencodable(unit); !bad.isEmpty()) {
        prompts.message({QStringLiteral("単位に使えない文字があります。(%1)\r\n"
                                        "Shift_JIS (CP932) で書ける文字で入力してください。")
                             .arg(bad),
                         QString(), MsgButtons::Ok, MsgIcon::Exclamation});
        return;
    }
    if (!AddUserUnit(menu_, unit)) {
        prompts.message(
            {QStringLiteral("単位は、全て登録済みです!"), QString(), MsgButtons::Ok, MsgIcon::Critical});
        return;
    }
    unit_ = unit;
    accept();
}

void frmTaniInput::cmdTaniDel_Click()
{
    const MsgAnswer a =
        prompts_.message({QStringLiteral("登録済みの単位を全部削除します。\r\nよろしいですか？"), QString(),
                          MsgButtons::YesNo, MsgIcon::None});
    if (a != MsgAnswer::Yes)
        return;
    for (UserSlot& slot : menu_.slots)
        slot = UserSlot();
}

frmKeisuInput::frmKeisuInput(QWidget* parent, const QString& title, const QString& initial,
                             const QString& name)
    : QDialog(parent), lblName(new QLabel(name.isEmpty() ? title : name, this)),
      txtInput(new QLineEdit(this)), cmdOK(DialogButton("OK", "cmdOK", this)),
      cmdCancel(DialogButton(QStringLiteral("&Cancel"), "cmdCancel", this))
{
    setObjectName(QStringLiteral("frmKeisuInput"));
    setWindowTitle(title);
    setWindowIcon(parent->windowIcon());
    lblName->setObjectName(QStringLiteral("lblName"));
    txtInput->setObjectName(QStringLiteral("txtInput"));
    txtInput->installEventFilter(new SelectAllOnFocus(this));
    cmdOK->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblName, 0, 0, 1, 2);
    grid->addWidget(txtInput, 1, 0, 1, 2);
    grid->addWidget(cmdOK, 2, 0);
    grid->addWidget(cmdCancel, 2, 1);
    connect(cmdOK, &QPushButton::clicked, this, &frmKeisuInput::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmKeisuInput::cmdCancel_Click);
    // The initial number as a 32-bit float shows it, and the answer of Cancel.
    const float shown = float(Val(initial));
    number_ = shown;
    txtInput->setText(GeneralSingle(shown));
    SettleLayout(this);
}

void frmKeisuInput::cmdOK_Click()
{
    number_ = Val(GeneralDouble(Val(txtInput->text())));  // what the number shows as text
    accept();
}

void frmKeisuInput::cmdCancel_Click() { reject(); }

double InputNumber(QWidget* parent, const QString& title, const QString& initial, const QString& name)
{
    frmKeisuInput dialog(parent, title, initial, name);
    dialog.exec();
    return dialog.number();
}

}  // namespace tavin
