#include "core/files/Journal.h"

#include "core/files/CsvReader.h"
#include "core/files/CsvWriter.h"
#include "core/platform/FileOps.h"
#include "core/platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavin {

struct Journal::File {
    int fd = -1;
    QString path;
    JournalTicket ticket = 0;
    std::vector<Entry> entries;     // handed over by the window, under m_
    std::vector<QByteArray> texts;  // the lines of the Text entries, in order, under m_
    std::vector<Entry> taking;      // being written by the thread, outside m_
    std::vector<QByteArray> takingTexts;
    std::vector<char> bytes;    // formatted lines not written yet (thread only)
    File* replacing = nullptr;  // the unusable file this one takes the place of, until synced
                                // (which may itself replace one that never synced)
    bool failing = false;       // the last write failed: its lines wait in `bytes`
    bool unusable = false;      // a sync failed or the file was deleted: no more lines
    bool synced = false;        // a pass wrote and synced everything taken
    bool kept = false;          // ended unsaved: written, synced, then idle until removed
    bool removed = false;       // its segment is saved: close without writing what is left
    bool unlinking = false;     // being removed: a name found gone is no failure
    bool emptyIt = false;       // removed, but the unlink failed: empty it before closing
    bool released = false;      // write what is left, sync, close, keep the file
    bool dirty = false;         // written since the last sync (thread only)
    bool folderSynced = false;  // its name has reached the disk (thread only)
};

namespace {

// A field as the journal writes it: a number in general form (Inf and NaN included) and nothing
// else. The reader of recordings is lenient (its text-to-number rule reads "x" as 0); a journal
// must not take the junk a power cut can leave for samples.
bool plainNumber(std::string_view field)
{
    return !field.empty() && field.find_first_not_of("0123456789.+-EInfaN") == std::string_view::npos;
}

QString systemError(const char* call)
{
    return QString::fromLatin1(call) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

Journal::Journal(int periodMs) : periodMs_(periodMs) {}

Journal::~Journal()
{
    publish();
    {
        std::lock_guard lock(m_);
        stop_ = true;
        for (auto& f : files_)
            f->released = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool Journal::begin(const QString& path, const QByteArray& header, QString* why)
{
    return open(path, header, why, nullptr);
}

bool Journal::replace(const QString& path, const QByteArray& header, QString* why)
{
    pending_.clear();  // the caller hands the whole segment over again
    File* old = nullptr;
    {
        std::lock_guard lock(m_);
        old = current_;
        current_ = nullptr;
    }
    return open(path, header, why, old);
}

bool Journal::open(const QString& path, const QByteArray& header, QString* why, File* replacing)
{
    QDir().mkpath(QFileInfo(path).absolutePath());  // as the recording would make it
    QString name = path;
    int fd = CreateLockedFile(name);
    for (int n = 2; fd < 0 && errno == EEXIST && n < 1000; ++n) {
        name = NumberedPath(path, n);
        fd = CreateLockedFile(name);
    }
    if (fd < 0) {
        *why = systemError("open");
        if (replacing) {
            std::lock_guard lock(m_);
            current_ = replacing;  // still the segment's, unusable as it is
        }
        return false;
    }
    auto file = std::make_unique<File>();
    file->fd = fd;
    file->path = name;
    file->replacing = replacing;
    file->entries.push_back({0, 0, Entry::Text});
    file->texts.push_back(header);
    pending_.reserve(PendingMax);
    File* dropped = nullptr;
    {
        std::lock_guard lock(m_);
        // A replacement that never reached the disk holds nothing its own predecessor does not:
        // it goes now, so that a disk failing every sync does not gather files and descriptors.
        if (replacing && !replacing->synced && replacing->replacing) {
            dropped = replacing;
            file->replacing = std::exchange(replacing->replacing, nullptr);
        }
        file->ticket = nextTicket_++;
        current_ = file.get();
        files_.push_back(std::move(file));
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    if (dropped) {
        UnlinkIfSame(dropped->fd, dropped->path);
        std::lock_guard lock(m_);
        dropped->removed = true;
        urgent_ = true;
    }
    wake_.notify_all();
    return true;
}

QString Journal::path() const
{
    std::lock_guard lock(m_);
    return current_ ? current_->path : QString();
}

void Journal::publish()
{
    if (pending_.empty())
        return;
    {
        std::lock_guard lock(m_);
        if (current_ && !current_->unusable)
            current_->entries.insert(current_->entries.end(), pending_.begin(), pending_.end());
    }
    pending_.clear();
}

void Journal::line(const QByteArray& bytes)
{
    publish();
    std::lock_guard lock(m_);
    if (current_ && !current_->unusable) {
        current_->entries.push_back({0, 0, Entry::Text});
        current_->texts.push_back(bytes);
    }
}

JournalTicket Journal::keep()
{
    publish();
    JournalTicket t = 0;
    {
        std::lock_guard lock(m_);
        if (!current_)
            return 0;
        current_->kept = true;
        t = current_->ticket;
        current_ = nullptr;
    }
    // A segment that could not be saved: whether its journal holds it decides what the program
    // tells the user and what it may let go of, so the answer waits for the write.
    drain();
    return t;
}

void Journal::remove()
{
    pending_.clear();
    JournalTicket t = 0;
    {
        std::lock_guard lock(m_);
        if (!current_)
            return;
        t = current_->ticket;
        current_->entries.clear();
        current_ = nullptr;
    }
    remove(t);
}

Journal::File* Journal::find(JournalTicket ticket) const
{
    for (const auto& f : files_)
        if (f->ticket == ticket && !f->removed && !f->released)
            return f.get();
    return nullptr;
}

void Journal::remove(JournalTicket ticket)
{
    // The file stays in the list until it is marked below (only the thread erases, and only what
    // is marked), so the unlink needs no lock.
    QString path;
    int fd = -1;
    JournalTicket older = 0;  // the file this one took the place of, removed with it
    {
        std::lock_guard lock(m_);
        File* f = find(ticket);
        if (!f)
            return;
        path = f->path;
        fd = f->fd;
        f->unlinking = true;  // a pass that finds the name gone now reports nothing
        if (f->replacing)
            older = std::exchange(f->replacing, nullptr)->ticket;
    }
    const bool gone = UnlinkIfSame(fd, path);
    {
        std::lock_guard lock(m_);
        File* f = find(ticket);
        if (!f)
            return;
        f->removed = true;
        f->emptyIt = !gone;
        f->entries.clear();
        urgent_ = true;
        if (!gone && failure_.isEmpty())
            failure_ = QStringLiteral("%1 (%2)").arg(path, QStringLiteral("削除できないため空にします"));
    }
    wake_.notify_all();
    if (older != 0)
        remove(older);
}

void Journal::release(JournalTicket ticket)
{
    {
        std::lock_guard lock(m_);
        if (File* f = find(ticket))
            f->released = true;
        urgent_ = true;
    }
    wake_.notify_all();
}

bool Journal::intact(JournalTicket ticket) const
{
    std::lock_guard lock(m_);
    const File* f = find(ticket);
    return f && !f->failing && !f->unusable;
}

QString Journal::takeFailure()
{
    std::lock_guard lock(m_);
    return std::exchange(failure_, QString());
}

bool Journal::needsNewFile() const
{
    std::lock_guard lock(m_);
    return current_ && current_->unusable;
}

bool Journal::protecting() const
{
    std::lock_guard lock(m_);
    return current_ && current_->synced && !current_->failing && !current_->unusable;
}

void Journal::drain()
{
    publish();
    std::unique_lock lock(m_);
    if (!thread_.joinable())
        return;
    // Two passes: the one running now may have taken its lines before the caller's last ones.
    const std::uint64_t target = passes_ + 2;
    drainUntil_ = std::max(drainUntil_, target);
    urgent_ = true;
    wake_.notify_all();
    passed_.wait(lock, [&] { return passes_ >= target; });
}

void Journal::run()
{
    std::unique_lock lock(m_);
    for (;;) {
        const auto due = [&] { return stop_ || urgent_ || passes_ < drainUntil_; };
        if (files_.empty())
            wake_.wait(lock, [&] { return due() || !files_.empty(); });  // idle: no wake-ups
        else
            wake_.wait_for(lock, std::chrono::milliseconds(periodMs_), due);
        urgent_ = false;
        const bool stopping = stop_;
        lock.unlock();
        passOver();
        lock.lock();
        ++passes_;
        passed_.notify_all();
        if (stopping && files_.empty())
            return;
    }
}

// One pass of the thread over every file: the lines handed over go to the system and to the
// disk; what has ended is closed. No system call runs under the lock.
void Journal::passOver()
{
    std::vector<std::pair<File*, bool>> files;  // and whether its lines are still wanted
    bool stopping;
    {
        std::lock_guard lock(m_);
        stopping = stop_;
        files.reserve(files_.size());
        for (auto& f : files_) {
            f->taking.swap(f->entries);
            f->takingTexts.swap(f->texts);
            files.emplace_back(f.get(), !f->removed && !f->unusable);
        }
    }
    for (auto [f, wanted] : files) {
        const Outcome outcome = wanted ? write(*f) : Outcome{};
        f->taking.clear();
        f->takingTexts.clear();
        std::vector<File*> replaced;  // unusable, and this one has all of their segment on the disk now
        bool emptyIt;
        const bool close = settle(*f, wanted, outcome, stopping, replaced, emptyIt);
        for (File* r : replaced) {
            // Its name may be this file's own now (the old one was deleted and the name reused).
            UnlinkIfSame(r->fd, r->path);
            std::lock_guard lock(m_);
            r->removed = true;
        }
        if (!close)
            continue;
        // A journal that could not be removed is emptied, so that no start recovers its
        // segment, which is saved, a second time.
        if (emptyIt && ::ftruncate(f->fd, 0) == 0)
            ::fdatasync(f->fd);
        ::close(f->fd);  // also lets go of the lock
        std::lock_guard lock(m_);
        f->fd = -1;
    }
    std::lock_guard lock(m_);
    for (auto& f : files_)
        if (f->replacing && f->replacing->fd < 0)
            f->replacing = nullptr;
    std::erase_if(files_, [](const auto& f) { return f->fd < 0; });
}

// Records what a pass found for one file, under the lock: a failure, or the files it replaces,
// which are all on the disk now (in `replaced`). Whether the file is to be closed, and whether
// emptied first.
bool Journal::settle(File& f, bool wanted, const Outcome& outcome, bool stopping,
                     std::vector<File*>& replaced, bool& emptyIt)
{
    std::lock_guard lock(m_);
    if (f.removed || f.unlinking) {
        // Its segment is saved: what the pass found (the name gone) does not matter.
    } else if (!outcome.failure.isEmpty()) {
        if (!f.failing && !f.unusable)
            failure_ = QStringLiteral("%1 (%2)").arg(f.path, outcome.failure);
        f.failing = true;
        if (outcome.unusable) {
            f.unusable = true;
            f.entries.clear();
        }
    } else if (wanted) {
        f.failing = false;
        f.synced = true;
        for (File* r = std::exchange(f.replacing, nullptr); r; r = std::exchange(r->replacing, nullptr))
            replaced.push_back(r);
    }
    emptyIt = f.emptyIt;
    // At the end lines that cannot be written are given up: the program must be able to end.
    return f.removed || (f.released && (f.unusable || stopping || (f.entries.empty() && f.bytes.empty())));
}

// Writes and syncs what was taken from a file together with what an earlier pass could not
// write. A write that fails keeps the lines for the next pass; a failed sync or a deleted file
// makes the file unusable (after a failed sync the system may have dropped what it held).
Journal::Outcome Journal::write(File& f)
{
    if (!f.taking.empty())
        format(f);
    std::size_t done = 0;
    while (done < f.bytes.size()) {
        ++writes_;
        const ssize_t n = fileops::write(f.fd, f.bytes.data() + done, f.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString why = n < 0 ? systemError("write") : QStringLiteral("write");
            f.bytes.erase(f.bytes.begin(), f.bytes.begin() + std::ptrdiff_t(done));
            return {why, false};
        }
        done += std::size_t(n);
        f.dirty = true;
    }
    f.bytes.clear();
    if (f.dirty) {
        ++syncs_;
        if (fileops::fdatasync(f.fd) != 0)
            return {systemError("fdatasync"), true};
        f.dirty = false;
        if (!f.folderSynced) {
            SyncFolderOf(f.path);
            f.folderSynced = true;
        }
    }
    // Deleted by someone while it was written: the lines go nowhere any more.
    struct stat st {};
    if (::fstat(f.fd, &st) == 0 && st.st_nlink == 0)
        return {QStringLiteral("削除されました"), true};
    return {};
}

// The lines of the entries taken, in the recording's format.
void Journal::format(File& f)
{
    const std::size_t kept = f.bytes.size();
    std::size_t size = f.taking.size() * CsvSampleLineMax;
    for (const QByteArray& t : f.takingTexts)
        size += std::size_t(t.size());
    f.bytes.resize(kept + size);
    char* p = f.bytes.data() + kept;
    auto text = f.takingTexts.cbegin();
    for (const Entry& e : f.taking) {
        if (e.kind == Entry::Text) {
            p = std::copy(text->cbegin(), text->cend(), p);
            ++text;
        } else {
            p = CsvSampleLine(p, e.value, e.kind == Entry::Timed ? &e.time : nullptr);
        }
    }
    f.bytes.resize(std::size_t(p - f.bytes.data()));
}

bool IsJournalHeader(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line.count(',') == 7 && ReadCsvHeader(line).startGiven;
}

JournalContent ReadJournal(QByteArrayView bytes)
{
    JournalContent c;
    QByteArrayView header;
    QByteArray lines;
    qsizetype pos = 0;
    qsizetype unread = 0;  // where the lines not taken begin
    bool first = true;
    // The program writes CR LF; a copy that went through a tool which writes LF alone is read as well.
    for (;; unread = pos) {
        const qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            break;  // a line cut by the end of the journal
        QByteArrayView line = bytes.sliced(pos, end - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = end + 1;
        const qsizetype commas = line.count(',');
        if (commas == 7) {
            // The first line, or the header written again after a change of unit or coefficient.
            const CsvHeaderLine h = ReadCsvHeader(line);
            if (!h.startGiven)
                break;
            if (first)
                c.lastTime = h.header.start;
            c.header = true;
            header = line;
            first = false;
            continue;
        }
        if (first || commas != 1)
            break;
        const qsizetype comma = line.indexOf(',');
        const std::string_view value(line.data(), std::size_t(comma));
        const std::string_view time(line.data() + comma + 1, std::size_t(line.size() - comma - 1));
        float v;
        OleDate t;
        if (!plainNumber(value) || !CsvValue(value, v) ||
            (!time.empty() && (!plainNumber(time) || !ParseDateField(time, t))))
            break;
        if (!time.empty())
            c.lastTime = t;
        lines.append(line.data(), line.size());
        lines.append("\r\n");
        ++c.samples;
    }
    c.whole = bytes.indexOf('\n', unread) < 0;
    if (c.samples == 0)
        return c;
    c.recording.reserve(header.size() + lines.size() + 64);
    c.recording.append(header.data(), header.size());
    c.recording.append("\r\n");
    c.linesAt = c.recording.size();
    c.linesSize = lines.size();
    c.recording.append(lines);
    c.recording.append(CsvClosingLine(FormatDate(c.lastTime, u"yyyy年m月d日 hh:nn:ss")));
    return c;
}

}  // namespace tavin
