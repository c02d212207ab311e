// The program's real message boxes and file dialogs behind the prompts seam.
#pragma once

#include "platform/Prompts.h"

#include <QMessageBox>
#include <QPointer>

namespace tavin {

class DialogPrompts : public Prompts {
public:
    explicit DialogPrompts(QString defaultTitle) : defaultTitle_(std::move(defaultTitle)) {}
    MsgAnswer message(const MessageBox& box) override;
    void notice(const MessageBox& box) override;
    std::optional<QString> file(const FileDialog& dialog) override;

private:
    QString defaultTitle_;
    QPointer<QMessageBox> notice_;  // the open notice, while it is open
};

}  // namespace tavin
