// How long a recording's base name may be: every file the program makes from it (recordings with
// both time stamps, a segment number and a "-N" suffix, journals) must fit the folder's limit on
// the length of a name, or the segment can be neither journaled nor saved.
#pragma once

#include <QString>

namespace tavin {

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
