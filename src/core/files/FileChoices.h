// The names and folders the file dialogs propose and take: the save target of recordings with
// its base name, a base name typed into the box, an export named after the recording beside it,
// and the list of the recordings loaded last.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavin {

// Asked before a file that exists is replaced; `path` as the user reads it.
QString OverwriteQuestion(const QString& path);

// A path chosen in the save-name dialog: the folder recordings go to and their base name (the
// file name without its last extension).
struct SaveTarget {
    QString path;  // the choice, native separators
    QString folder;
    QString base;
    bool none = false;  // no folder in it: nothing is taken
    QString refusal;    // why it cannot be taken, for a box; the dialog then asks again
};
// Refused: a folder or name the CP932 settings file could not hold (it would come back as junk
// and recordings would go to a junk folder), or a base name whose files the folder cannot name.
SaveTarget SaveTargetOf(const QString& chosen);

// A base name typed for `folder`: nothing when it fits, else the longest beginning that does.
std::optional<QString> CutBaseNameToFit(const QString& folder, const QString& typed);

// What an export dialog proposes: the recording's name (without ".csv") with `suffix`, in
// `folder`.
struct ExportProposal {
    QString initDir;  // the folder with a separator at its end
    QString name;
};
ExportProposal ProposeExport(const QString& recordingName, const QString& folder, const QString& suffix);
// The chosen path, with the extension of `suffix` when it has none.
QString ExportPathOf(const QString& chosen, const QString& suffix);

// The recordings loaded last, newest first: `path` (absolute, native separators) goes to the top,
// once, and the list keeps RecentMax. False, the list unchanged, for a path the settings file
// cannot hold: one without a CP932 code for a character, or with a line break.
bool RememberRecent(QStringList& recent, const QString& path);
// A listed recording that is gone (`path` not empty, no file there) is taken off the list;
// what the user is told then, or nothing when it is there.
std::optional<QString> DropVanishedRecent(QStringList& recent, const QString& path);
// The menu's text of entry `index`: "&<index + 1> <file name>", an "&" of the name doubled.
QString RecentMenuText(int index, const QString& path);

}  // namespace tavin
