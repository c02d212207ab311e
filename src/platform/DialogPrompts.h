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
    // Qt's print dialog on the queue: copies, sides, colour and the driver's options.
    void printerProperties(const QString& printer, QStringList& options) override;

private:
    QString defaultTitle_;
    QPointer<QMessageBox> notice_;  // the open notice, while it is open
};

}  // namespace tavin
