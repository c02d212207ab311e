// Whether a recording's base name fits its folder: the folder's file system takes names up to a
// number of bytes, and every name a base leads to must stay within it.
#pragma once

#include <QString>

namespace tavin {

// The longest recording file name that `base` leads to, in bytes of the file system's encoding:
// base + "-YYYYMMDD-HHNNSS-" + a segment number of up to 10 digits + "-YYYYMMDD-HHNNSS" + "-999"
// (the suffix that keeps an existing file) + ".csv".
int LongestRecordingNameBytes(const QString& base);

// The longest file name `folder` takes, in bytes; 255 when that cannot be told (the folder does
// not exist yet).
int FolderNameMax(const QString& folder);

// Whether every recording named from `base` fits `folder`'s name limit.
bool BaseNameFits(const QString& folder, const QString& base);

}  // namespace tavin
