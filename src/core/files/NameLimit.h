// What a recording's base name may be. Every file the program makes from it (recordings with
// both time stamps, a segment number and a "-N" suffix, journals) must fit the folder's limit on
// the length of a name, or the segment can be neither journaled nor saved. Also which texts can
// be no name, unit or folder at all, wherever they come from.
#pragma once

#include <QString>
#include <QStringView>

namespace tavin {

// What a text given by the user becomes.
enum class TextRole {
    Name,    // the base name of recordings
    Unit,    // a unit, written into a CSV header
    Folder,  // a folder or a file's path
};
// Why `text` cannot serve as `role`; empty when it can. No role holds a control character
// (U+0000 to U+001F, U+007F): a line break or a tab splits a CSV header or the recorder's output
// lines, and a NUL cuts a path short where the system reads it, so that another file is made. A
// name is not "." or ".." and does not start with ".": its recordings would be hidden files.
QString TextRoleProblem(QStringView text, TextRole role);
// `text` with each control character written as "<NN>" (hexadecimal), so that a message or a log
// line naming it stays one line and shows what is there.
QString ControlsShown(QStringView text);

// The bytes of the longest file name that `base` leads to, as the file system stores it.
int LongestRecordingNameBytes(const QString& base);
// The longest name the folder takes, in bytes (255 when it cannot be told).
int FolderNameMax(const QString& folder);
// Whether every file made from `base` fits `folder`.
bool BaseNameFits(const QString& folder, const QString& base);
// What the user is told when it does not: the limit for base names in that folder.
QString BaseNameTooLongText(const QString& folder, const QString& base);
// The longest beginning of `text` that takes at most `maxBytes` bytes in the file system.
QString CutToBytes(QString text, int maxBytes);

}  // namespace tavin
