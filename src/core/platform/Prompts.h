// The one seam for message boxes and open/save dialogs: the program shows real dialogs, tests
// script the answers and read back what was shown.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavin {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageBox {
    QString text;
    QString title;  // empty: the program's own name is shown
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    bool waits = true;  // false: a notice, shown without waiting for its OK
};

struct FileDialog {
    enum Kind { Open, Save } kind = Open;
    QString title;
    QString initDir;
    QString fileName;
    QString filter;       // "CSV (*.csv)|*.csv|All (*.*)|*.*" pairs of description and pattern
    int filterIndex = 1;  // the filter shown first, counted from 1
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual MsgAnswer message(const MessageBox& box) = 0;
    // A box with OK only that the program does not wait for: what goes wrong while samples come
    // must never hold them up. Notices arriving while one is open join it.
    virtual void notice(const MessageBox& box) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> file(const FileDialog& dialog) = 0;
    // A print queue's own settings dialog. `options` holds the job options chosen for the queue
    // so far (CUPS name and value pairs) and takes what the user chooses.
    virtual void printerProperties(const QString& printer, QStringList& options) = 0;
};

// Answers from a script and a record of every box and dialog, for tests. Without a scripted answer
// a box gets its first button's answer and a file dialog is cancelled.
class ScriptedPrompts : public Prompts {
public:
    MsgAnswer message(const MessageBox& box) override;
    void notice(const MessageBox& box) override;
    std::optional<QString> file(const FileDialog& dialog) override;
    // Records the printer; a scripted choice replaces the options.
    void printerProperties(const QString& printer, QStringList& options) override;

    QList<MsgAnswer> answers;
    QList<std::optional<QString>> files;
    QList<MessageBox> shown;
    QList<FileDialog> dialogs;
    QStringList properties;             // printers whose settings were opened
    std::optional<QStringList> chosen;  // what the next settings dialog chooses
};

// For programs without anyone to answer (the recorded demo, test hosts): each box is printed to
// stderr as it would have been shown and answered as ScriptedPrompts does.
class PrintedPrompts : public ScriptedPrompts {
public:
    MsgAnswer message(const MessageBox& box) override;
    void notice(const MessageBox& box) override;
};

}  // namespace tavin
