// Text files in code page 932 (Shift_JIS as Windows writes it) with CR LF line ends.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

namespace tavin {

QString FromCp932(QByteArrayView bytes);
QByteArray ToCp932(QStringView text);

// The characters of `text` that code page 932 has no code for (é, €, Korean, emoji ...), each
// once, in the order they first appear; empty when the whole text can be written. Text written
// to a CP932 file must pass this test, or those characters become junk bytes that no reader
// turns back into the text.
QString Cp932Unencodable(QStringView text);
inline bool Cp932CanHold(QStringView text) { return Cp932Unencodable(text).isEmpty(); }

// Splits text into lines; a line ends at CR LF, CR or LF. A final line end opens no empty line.
QStringList SplitLines(QStringView text);

// Why `path` cannot be read or written as a text file: empty for a regular file (or a link to
// one) and for a name that nothing has yet; otherwise the reason, for the user. A named pipe
// would hold open() until something opens its other end, and a device may stream for ever, so
// neither is ever opened as a file; nor is a folder or a socket.
QString NotRegularFileReason(const QString& path);

// Reads a whole CP932 file as lines. Returns false (with the reason) when it cannot be read;
// anything but a regular file is refused without waiting on it. Bytes that code page 932 has no
// character for read as U+FFFD; `undecodable`, when given, receives the indexes of the lines
// that hold such bytes, since a value that lost its bytes must not be taken for what it was.
bool ReadTextLines(const QString& path, QStringList& lines, QString* error = nullptr,
                   QList<int>* undecodable = nullptr);

// Writes `bytes` as the whole content of `path` so that a crash or a full disk never leaves a
// cut file under that name: the bytes go to `scratchPath` first, are flushed to the disk and the
// scratch file is renamed over `path`. The scratch file is gone afterwards, success or not.
// Something that is no regular file under `path` is not replaced (false, with the reason).
bool ReplaceFileAtomically(const QString& path, const QString& scratchPath, const QByteArray& bytes,
                           QString* error = nullptr);
// The same with the content written by `write` into the open scratch file (false: failed).
bool ReplaceFileAtomically(const QString& path, const QString& scratchPath,
                           const std::function<bool(QIODevice&)>& write, QString* error = nullptr);

// Forces the folder of `path` to the disk, so that a name just created or renamed there survives
// a power cut (a file's own sync does not cover its name).
void SyncFolderOf(const QString& path);

// Appends bytes to a file (creating it), opened and closed within the call; anything but a
// regular file is refused without waiting on it.
bool AppendToFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace tavin
