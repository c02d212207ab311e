#include "core/files/RecordingFiles.h"

#include "core/app/basLog.h"
#include "core/files/Journal.h"
#include "core/files/NameLimit.h"
#include "core/platform/AppEnv.h"
#include "core/platform/FileOps.h"
#include "core/platform/TextFile.h"
#include "core/trend/Scale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavin {

CsvHeader RecordingHeader(const QString& startText, std::int32_t fileNo, std::int32_t sampling, int rangePlus,
                          int rangeMinus, const QString& unit, float keisu)
{
    CsvHeader h;
    h.startText = startText;
    h.fileNo = fileNo;
    h.sampling = sampling;
    h.plusRange = PlusRangeTexts().value(rangePlus);
    h.minusRange = MinusRangeField(rangeMinus, h.plusRange, MinusRangeTexts().value(rangeMinus));
    h.unit = unit;
    h.keisu = keisu;
    return h;
}

namespace {

// The file at a free name near `target`; empty with the reason when it could not be written.
QString writeRecording(const QString& target, const std::function<bool(QIODevice&)>& content, QString* why)
{
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
        *why = QStringLiteral("フォルダを作成できません。");
        return QString();
    }
    return WriteNewFile(target, content, why);
}

}  // namespace

SavedRecording SaveRecording(EventLog& log, const AppEnv& env, const QString& path,
                             const std::function<bool(QIODevice&)>& content, bool quiet)
{
    QString why;
    if (QString saved = writeRecording(path, content, &why); !saved.isEmpty())
        return {SaveOutcome::Saved, saved};
    // One report that says where the file went, or that it went nowhere.
    const QString fallback = QDir(DocumentsFolder(env)).filePath(QFileInfo(path).fileName());
    QString whyNot;
    if (QString saved = writeRecording(fallback, content, &whyNot); !saved.isEmpty()) {
        if (!quiet)
            log.LogMsg(
                2, QStringLiteral("SaveCsvFile"),
                QStringLiteral("保存先に書き込めないため、ドキュメントフォルダに保存しました: %1\n(%2: %3)")
                    .arg(QDir::toNativeSeparators(saved), QDir::toNativeSeparators(path), why));
        return {SaveOutcome::SavedInDocuments, saved};
    }
    if (!quiet)
        log.LogMsg(2, QStringLiteral("SaveCsvFile"),
                   QStringLiteral("測定データを保存できませんでした: %1 (%2)\n%3 (%4)")
                       .arg(QDir::toNativeSeparators(path), why, QDir::toNativeSeparators(fallback), whyNot));
    return {SaveOutcome::Failed, QString()};
}

QString SegmentStem(const QString& baseName, OleDate start, std::int32_t fileNo)
{
    QString name = FileExtentionAddCheck(baseName, u'-' + FormatDate(start, u"YYYYMMDD-HHNNSS") + u'-' +
                                                       QString::number(fileNo));
    name.chop(4);
    return name;
}

QString SegmentName(const QString& fileName)
{
    static const QRegularExpression saved(
        QStringLiteral("^(.*-\\d{8}-\\d{6}-\\d+)-\\d{8}-\\d{6}(-\\d+)?\\.csv$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = saved.match(fileName); m.hasMatch())
        return m.captured(1);
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? fileName.chopped(4) : fileName;
}

QString JournalPath(const QString& saveDir, const QString& baseName, OleDate start, std::int32_t fileNo)
{
    return QDir(saveDir).filePath(SegmentStem(baseName, start, fileNo) + QStringLiteral(".journal"));
}

namespace {

// The name a journal's recording starts with: the journal's name without its extension and
// without the "-2", "-3" ... of a journal whose name was taken.
QString journalStem(const QString& journalPath)
{
    static const QRegularExpression extra(QStringLiteral("(-\\d{8}-\\d{6}-\\d+)(-\\d+)?\\.journal$"));
    const QString name = QFileInfo(journalPath).fileName();
    const QRegularExpressionMatch m = extra.match(name);
    return m.hasMatch() ? name.left(m.capturedStart()) + m.captured(1) : name;
}

}  // namespace

QString RecoveredRecordingPath(const QString& journalPath, OleDate saved, int nameMax)
{
    static const QRegularExpression stamps(QStringLiteral("-\\d{8}-\\d{6}-\\d+$"));
    const QString stem = journalStem(journalPath);
    const qsizetype at = stem.indexOf(stamps);
    const qsizetype cut = at < 0 ? stem.size() : at;
    const QString suffix =
        stem.mid(cut) + u'-' + FormatDate(saved, u"YYYYMMDD-HHNNSS") + QStringLiteral(".csv");
    // A base name too long for the folder (made elsewhere, or by an older version) is shortened
    // rather than leave the segment in its journal for ever; room stays for a "-N" suffix.
    const QString base = CutToBytes(stem.left(cut), nameMax - 4 - int(QFile::encodeName(suffix).size()));
    return QFileInfo(journalPath).path() + u'/' + base + suffix;
}

bool SavedAlready(const QString& journalPath, QByteArrayView sampleLines, const QStringList& folders)
{
    static const QRegularExpression stamp(QStringLiteral("^-\\d{8}-\\d{6}(-\\d+)?\\.csv$"));
    const QString stem = journalStem(journalPath);
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.csv")}, QDir::Files)) {
            if (!name.startsWith(stem) || !stamp.match(QStringView(name).mid(stem.size())).hasMatch())
                continue;
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = f.readAll();
            const qsizetype body = bytes.indexOf("\r\n");
            if (body >= 0 && QByteArrayView(bytes).sliced(body + 2).startsWith(sampleLines))
                return true;
        }
    }
    return false;
}

bool IsJournalName(const QString& name)
{
    static const QRegularExpression form(QStringLiteral("^[^.].*-\\d{8}-\\d{6}-\\d+(-\\d+)?\\.journal$"));
    return form.match(name).hasMatch();
}

namespace {

// A journal found in a folder, open for as long as this lives.
struct FoundJournal {
    QString path;
    int fd = -1;
    explicit FoundJournal(QString p) : path(std::move(p)) {}
    FoundJournal(const FoundJournal&) = delete;
    FoundJournal& operator=(const FoundJournal&) = delete;
    ~FoundJournal()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens `path` when it is a journal of this program: a regular file (a link, a pipe, a device or a
// folder is neither followed nor opened) whose first line is the header the program writes. A file
// that only shares the extension is read no further than that line and left exactly as it is.
bool openOwnJournal(FoundJournal& j)
{
    const QByteArray name = QFile::encodeName(j.path);
    struct stat named {
    }, opened{};
    if (::lstat(name.constData(), &named) != 0 || !S_ISREG(named.st_mode))
        return false;
    constexpr int how = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    j.fd = ::open(name.constData(), O_RDWR | how);
    if (j.fd < 0)
        j.fd = ::open(name.constData(), O_RDONLY | how);  // a read-only one is still recovered
    if (j.fd < 0 || ::fstat(j.fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_ino != named.st_ino || opened.st_dev != named.st_dev)
        return false;
    constexpr qsizetype FirstLineMax = 2048;  // a header is a few hundred bytes
    QByteArray first;
    char chunk[256];
    while (!first.contains('\n') && first.size() < FirstLineMax) {
        const ssize_t n = ::read(j.fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        first.append(chunk, n);
    }
    const qsizetype end = first.indexOf('\n');
    return end >= 0 && IsJournalHeader(QByteArrayView(first).first(end));
}

QByteArray readFrom(int fd)
{
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !f.seek(0))
        return QByteArray();
    return f.readAll();
}

// Removes a journal whose segment is in a recording now. When the folder does not let it go, it
// is emptied instead, so that no later start recovers the segment again.
void dropJournal(EventLog& log, const FoundJournal& j)
{
    if (UnlinkIfSame(j.fd, j.path))
        return;
    const bool emptied = ::ftruncate(j.fd, 0) == 0 && ::fsync(j.fd) == 0;
    log.LogMsg(
        2, QStringLiteral("RecoverJournals"),
        QStringLiteral("ジャーナルを削除できません%1: %2")
            .arg(emptied ? QStringLiteral("（空にしました）") : QString(), QDir::toNativeSeparators(j.path)));
}

// Keeps a journal that could not be read whole under a name no start takes for a journal, beside
// it and never in place of another file. `why` names where it went (%1).
void setAside(EventLog& log, const FoundJournal& j, const QString& why)
{
    const QByteArray from = QFile::encodeName(j.path);
    struct stat named {
    }, opened{};
    if (::lstat(from.constData(), &named) != 0 || ::fstat(j.fd, &opened) != 0 ||
        named.st_ino != opened.st_ino || named.st_dev != opened.st_dev)
        return;  // no longer the file that was read: someone else's now
    QString bad = j.path + QStringLiteral(".bad");
    for (int n = 2; fileops::renameNoReplace(from.constData(), QFile::encodeName(bad).constData()) != 0;
         ++n) {
        if (errno != EEXIST || n > 100) {
            bad = j.path;  // it stays under its own name
            break;
        }
        bad = NumberedPath(j.path + QStringLiteral(".bad"), n);
    }
    log.LogMsg(2, QStringLiteral("RecoverJournals"), why.arg(QDir::toNativeSeparators(bad)));
}

// Names in `folder` that have the form of a journal's, links left out.
QStringList journalNames(const QDir& dir)
{
    QStringList names =
        dir.entryList({QStringLiteral("*.journal")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    names.removeIf([](const QString& n) { return !IsJournalName(n); });
    return names;
}

}  // namespace

QList<RecoveredJournal> RecoverJournals(EventLog& log, const AppEnv& env, const QString& folder,
                                        const QStringList& savedIn)
{
    QList<RecoveredJournal> recovered;
    const QDir dir(folder);
    RemoveLeftScratchFiles(folder);
    for (const QString& name : journalNames(dir)) {
        FoundJournal f{dir.filePath(name)};
        if (!openOwnJournal(f))
            continue;
        // A program that still writes this journal holds its lock.
        if (::flock(f.fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                log.LogMsg(
                    1, QStringLiteral("RecoverJournals"),
                    QStringLiteral("ジャーナルをロックできません: %1 (%2)")
                        .arg(QDir::toNativeSeparators(f.path), QString::fromLocal8Bit(std::strerror(errno))));
            continue;
        }
        const JournalContent c = ReadJournal(readFrom(f.fd));
        if (c.samples == 0 && !c.whole) {
            setAside(log, f, QStringLiteral("ジャーナルを読めません。%1 に残しました。"));
            continue;
        }
        if (c.samples == 0) {
            dropJournal(log, f);  // nothing measured yet
            continue;
        }
        // A program killed between a segment's save and the removal of its journal left both.
        if (SavedAlready(f.path, c.sampleLines(), QStringList{folder, DocumentsFolder(env)} + savedIn)) {
            log.LogMsg(1, QStringLiteral("RecoverJournals"),
                       QStringLiteral("保存済みの区間のジャーナルを削除しました: %1")
                           .arg(QDir::toNativeSeparators(f.path)));
            dropJournal(log, f);
            continue;
        }
        const SavedRecording saved =
            SaveRecording(log, env, RecoveredRecordingPath(f.path, env.now(), FolderNameMax(folder)),
                          [&](QIODevice& out) { return out.write(c.recording) == c.recording.size(); });
        if (saved.outcome == SaveOutcome::Failed)
            continue;  // the journal stays for the next start
        log.LogMsg(1, QStringLiteral("RecoverJournals"),
                   QStringLiteral("前回の測定を復旧しました: %1 (%2 件)")
                       .arg(QDir::toNativeSeparators(saved.path))
                       .arg(c.samples));
        if (c.whole)
            dropJournal(log, f);
        else
            setAside(log, f,
                     QStringLiteral("ジャーナルの途中に読めない行があり、その前までを復旧しました。残りは %1 "
                                    "に残しました。"));
        recovered.append({saved.path, c.samples});
    }
    return recovered;
}

QStringList ReadJournalFolders(const QString& listPath)
{
    QStringList folders;
    ReadTextLines(listPath, folders);
    folders.removeAll(QString());
    return folders;
}

bool WriteJournalFolders(const QString& listPath, const QStringList& folders)
{
    if (!NotRegularFileReason(listPath).isEmpty())
        return false;  // something else in its place (a pipe, a folder) is left alone
    if (folders.isEmpty())
        return !QFileInfo::exists(listPath) || QFile::remove(listPath);
    return ReplaceFileAtomically(listPath, listPath + QStringLiteral(".tmp"),
                                 ToCp932(folders.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

QString JournalFolderList(const AppEnv& env)
{
    return env.statePath(env.exeBaseName + QStringLiteral(".journals"));
}

QString JournalListProblem(const QString& listPath)
{
    QStringList lines;
    QString why;
    if (!QFileInfo::exists(listPath) || ReadTextLines(listPath, lines, &why))
        return QString();
    return QStringLiteral("ジャーナルの保存先一覧 %1 を読み込めません (%2)。\n"
                          "保存フォルダとドキュメントフォルダ以外にあるジャーナルは復旧されません。")
        .arg(QDir::toNativeSeparators(listPath), why);
}

bool UpdateJournalFolders(const QString& listPath, const std::function<void(QStringList&)>& change,
                          int waitMs)
{
    // The lock is the folder's own: the list itself is replaced by a rename at each write.
    const int fd = ::open(QFile::encodeName(QFileInfo(listPath).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Another program holds it for its read and write, a few milliseconds, more on a loaded disk.
    // Writing without it would drop what that program adds, so a caller that cannot wait longer
    // (the measurement opening a journal) is told to come back.
    const qint64 giveUpAt = ClockMs() + waitMs;
    while (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        if (ClockMs() >= giveUpAt) {
            ::close(fd);
            return false;
        }
        ::usleep(5'000);
    }
    QStringList folders = ReadJournalFolders(listPath);
    for (QString& f : folders)
        f = QDir::cleanPath(f);
    change(folders);
    folders.removeDuplicates();
    const bool written = WriteJournalFolders(listPath, folders);
    if (fd >= 0)
        ::close(fd);  // lets go of the lock
    return written;
}

JournalRecovery RecoverLeftJournals(EventLog& log, const AppEnv& env, const QString& saveDir)
{
    QStringList folders = ReadJournalFolders(JournalFolderList(env));
    folders.prepend(DocumentsFolder(env));
    folders.prepend(saveDir);
    for (QString& f : folders)
        f = QDir::cleanPath(f);
    folders.removeDuplicates();
    JournalRecovery r;
    const auto worthALook = [](const QString& folder) {
        const QDir dir(folder);
        return !dir.exists() || !journalNames(dir).isEmpty();
    };
    for (const QString& folder : folders) {
        if (QDir(folder).exists())
            r.recovered += RecoverJournals(log, env, folder, folders);
        if (worthALook(folder))
            r.folders.append(folder);
    }
    // Programs started together each recover and write the list: what the others added meanwhile
    // stays, and a folder is dropped only when it still holds no journal under the lock.
    UpdateJournalFolders(JournalFolderList(env), [&](QStringList& onDisk) {
        onDisk.removeIf([&](const QString& f) { return folders.contains(f) && !worthALook(f); });
        onDisk += r.folders;
        onDisk.removeDuplicates();
        r.folders = onDisk;
    });
    return r;
}

void UnsavedRecordings::add(UnsavedRecording r, EventLog& log, Journal& journal)
{
    samples_ += std::int64_t(r.values.size());
    list_.push_back(std::move(r));
    while (samples_ > MaxSamples && list_.size() > 1) {
        auto victim = std::find_if(list_.begin(), list_.end() - 1,
                                   [&](const auto& u) { return journal.intact(u.journal); });
        if (victim == list_.end() - 1)
            victim = list_.begin();
        if (journal.intact(victim->journal)) {
            journal.release(victim->journal);
            log.LogMsg(1, QStringLiteral("SaveCsvFile"),
                       QStringLiteral("保存できなかった区間をジャーナルに残しました (次回起動時に復旧): %1")
                           .arg(QDir::toNativeSeparators(victim->path)));
        } else {
            log.LogMsg(2, QStringLiteral("SaveCsvFile"),
                       QStringLiteral("保存できなかった測定データを破棄しました: %1 (%2 件)")
                           .arg(QDir::toNativeSeparators(victim->path))
                           .arg(victim->values.size()));
        }
        samples_ -= std::int64_t(victim->values.size());
        list_.erase(victim);
    }
}

int UnsavedRecordings::saveAll(
    EventLog& log, const AppEnv& env, Journal& journal,
    const std::function<void(const UnsavedRecording&, const QString& path)>& onSaved)
{
    int saved = 0;
    while (!list_.empty()) {
        const UnsavedRecording& r = list_.front();
        const SavedRecording s = SaveRecording(
            log, env, r.path,
            [&](QIODevice& out) {
                return WriteCsv(out, r.header, r.values.data(), r.times.data(), 0,
                                std::int32_t(r.values.size()) - 1, r.endText);
            },
            true);
        if (s.outcome == SaveOutcome::Failed)
            break;
        log.LogMsg(1, QStringLiteral("SaveCsvFile"),
                   QStringLiteral("保存できなかった測定データを保存しました: %1")
                       .arg(QDir::toNativeSeparators(s.path)));
        if (r.journal != 0)
            journal.remove(r.journal);
        if (onSaved)
            onSaved(r, s.path);
        samples_ -= std::int64_t(r.values.size());
        list_.pop_front();
        ++saved;
    }
    return saved;
}

int UnsavedRecordings::inMemoryOnly(const Journal& journal) const
{
    return int(
        std::count_if(list_.begin(), list_.end(), [&](const auto& u) { return !journal.intact(u.journal); }));
}

}  // namespace tavin
