// The program's real message boxes and file dialogs behind the prompts seam.
#pragma once

#include "core/platform/Prompts.h"

#include <QMessageBox>
#include <QPointer>

namespace tavin {

// "desc|pattern|desc|pattern" as Qt's name filters "desc (pattern)", a description that ends in
// its pattern already taken as it is.
QStringList QtNameFilters(const QString& filter);

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
