#include "core/platform/Prompts.h"

#include <cstdio>

namespace tavin {

MsgAnswer PrintedPrompts::message(const MessageBox& box)
{
    std::fprintf(stderr, "[%s] %s\n", qPrintable(box.title), qPrintable(box.text));
    return ScriptedPrompts::message(box);
}

void PrintedPrompts::notice(const MessageBox& box)
{
    std::fprintf(stderr, "[%s] %s\n", qPrintable(box.title), qPrintable(box.text));
    ScriptedPrompts::notice(box);
}

void ScriptedPrompts::notice(const MessageBox& box)
{
    shown.append(box);
    shown.back().waits = false;
}

MsgAnswer ScriptedPrompts::message(const MessageBox& box)
{
    shown.append(box);
    if (!answers.isEmpty())
        return answers.takeFirst();
    switch (box.buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    default: return MsgAnswer::Ok;
    }
}

void ScriptedPrompts::printerProperties(const QString& printer, QStringList& options)
{
    properties.append(printer);
    if (chosen)
        options = *std::exchange(chosen, std::nullopt);
}

std::optional<QString> ScriptedPrompts::file(const FileDialog& dialog)
{
    dialogs.append(dialog);
    if (!files.isEmpty())
        return files.takeFirst();
    return std::nullopt;
}

}  // namespace tavin
