#include "platform/Prompts.h"

namespace tavin {

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
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    default:
        return MsgAnswer::Ok;
    }
}

std::optional<QString> ScriptedPrompts::file(const FileDialog& dialog)
{
    dialogs.append(dialog);
    if (!files.isEmpty())
        return files.takeFirst();
    return std::nullopt;
}

}  // namespace tavin
