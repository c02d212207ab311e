#include "files/Journal.h"

#include "files/CsvReader.h"
#include "files/CsvWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavin {

struct Journal::File {
    int fd = -1;
    QString path;
    Ticket ticket = 0;
    std::vector<Entry> entries;    // handed over by the window, under m_
    std::vector<QByteArray> texts;  // the lines of the Text entries, in order, under m_
    std::vector<Entry> taking;      // being written by the thread, outside m_
    std::vector<QByteArray> takingTexts;
    std::vector<char> bytes;        // the thread's formatted lines
    bool failed = false;            // a write or sync failed: no more lines
    bool kept = false;              // ended unsaved: written, synced, then idle until removed
    bool removed = false;           // close without writing what is left
    bool released = false;          // write what is left, sync, close, keep the file
    bool dirty = false;             // written since the last sync (thread only)
};

namespace {

// A field as the journal writes it: a number in general form and nothing else. The reader of
// recordings is lenient (its text-to-number rule reads "x" as 0); a journal must not take the
// junk a power cut can leave for samples.
bool plainNumber(std::string_view field)
{
    return !field.empty() && field.find_first_not_of("0123456789.+-E") == std::string_view::npos;
}

QString systemError(const char* call)
{
    return QString::fromLatin1(call) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

}  // namespace

Journal::Journal(int writeMs, int syncMs) : writeMs_(writeMs), syncMs_(syncMs) {}

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

void Journal::startThread()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

bool Journal::begin(const QString& path, const QByteArray& header, QString* why)
{
    QString free = path;
    QDir().mkpath(QFileInfo(path).absolutePath());  // as the recording would make it
    const qsizetype dot = path.lastIndexOf(u'.');
    int fd = -1;
    for (int n = 2; fd < 0 && n < 1000; ++n) {
        fd = ::open(QFile::encodeName(free).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            break;
        if (fd < 0)
            free = path.left(dot) + QStringLiteral("-%1").arg(n) + path.mid(dot);
    }
    if (fd < 0) {
        *why = systemError("open");
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *why = systemError("flock");
        ::close(fd);
        ::unlink(QFile::encodeName(free).constData());
        return false;
    }
    auto file = std::make_unique<File>();
    file->fd = fd;
    file->path = free;
    file->entries.push_back({0, 0, Entry::Text});
    file->texts.push_back(header);
    pending_.reserve(PendingMax);
    {
        std::lock_guard lock(m_);
        file->ticket = nextTicket_++;
        current_ = file.get();
        files_.push_back(std::move(file));
        startThread();
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
        if (current_ && !current_->failed)
            current_->entries.insert(current_->entries.end(), pending_.begin(), pending_.end());
    }
    pending_.clear();
}

void Journal::line(const QByteArray& bytes)
{
    publish();
    std::lock_guard lock(m_);
    if (current_ && !current_->failed) {
        current_->entries.push_back({0, 0, Entry::Text});
        current_->texts.push_back(bytes);
    }
}

Journal::Ticket Journal::keep()
{
    publish();
    Ticket t = 0;
    {
        std::lock_guard lock(m_);
        if (!current_)
            return 0;
        current_->kept = true;
        t = current_->ticket;
        current_ = nullptr;
        urgent_ = true;
    }
    wake_.notify_all();
    return t;
}

void Journal::remove()
{
    pending_.clear();
    std::lock_guard lock(m_);
    if (!current_)
        return;
    // The recording is in place: the journal goes now, whatever the thread is doing with it.
    ::unlink(QFile::encodeName(current_->path).constData());
    current_->removed = true;
    current_->entries.clear();
    current_ = nullptr;
}

void Journal::remove(Ticket ticket)
{
    std::lock_guard lock(m_);
    for (auto& f : files_)
        if (f->ticket == ticket && !f->removed) {
            ::unlink(QFile::encodeName(f->path).constData());
            f->removed = true;
            f->entries.clear();
        }
}

void Journal::release(Ticket ticket)
{
    {
        std::lock_guard lock(m_);
        for (auto& f : files_)
            if (f->ticket == ticket)
                f->released = true;
        urgent_ = true;
    }
    wake_.notify_all();
}

QString Journal::takeFailure()
{
    std::lock_guard lock(m_);
    return std::exchange(failure_, QString());
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
    using Clock = std::chrono::steady_clock;
    auto lastSync = Clock::now();
    std::unique_lock lock(m_);
    for (;;) {
        const auto due = [&] { return stop_ || urgent_ || passes_ < drainUntil_; };
        if (files_.empty())
            wake_.wait(lock, [&] { return due() || !files_.empty(); });  // idle: no wake-ups
        else
            wake_.wait_for(lock, std::chrono::milliseconds(writeMs_), due);
        const bool stopping = stop_;
        const bool syncAll = std::exchange(urgent_, false) || stopping || passes_ < drainUntil_ ||
                             Clock::now() - lastSync >= std::chrono::milliseconds(syncMs_);
        lock.unlock();
        passOver(syncAll);
        if (syncAll)
            lastSync = Clock::now();
        lock.lock();
        ++passes_;
        passed_.notify_all();
        if (stopping && files_.empty())
            return;
    }
}

// One pass of the thread over every file: hand the buffered lines to the system, sync when due
// (and always for a file that ends), close what has ended.
void Journal::passOver(bool syncAll)
{
    std::vector<File*> files;
    {
        std::lock_guard lock(m_);
        files.reserve(files_.size());
        for (auto& f : files_) {
            f->taking.swap(f->entries);
            f->takingTexts.swap(f->texts);
            files.push_back(f.get());
        }
    }
    for (File* f : files) {
        QString failure;
        if (!f->taking.empty() && f->fd >= 0 && !f->failed) {
            format(*f);
            ++writes_;
            if (writeAll(f->fd, f->bytes.data(), f->bytes.size()))
                f->dirty = true;
            else
                failure = systemError("write");
        }
        f->taking.clear();
        f->takingTexts.clear();
        bool ending;
        {
            std::lock_guard lock(m_);
            ending = f->kept || f->released || f->removed;
        }
        if (failure.isEmpty() && f->dirty && (syncAll || ending)) {
            ++syncs_;
            if (::fdatasync(f->fd) == 0)
                f->dirty = false;
            else
                failure = systemError("fdatasync");
        }
        std::lock_guard lock(m_);
        if (!failure.isEmpty()) {
            f->failed = true;
            f->entries.clear();
            if (failure_.isEmpty())
                failure_ = QStringLiteral("%1 (%2)").arg(f->path, failure);
        }
        if (f->removed || (f->released && f->entries.empty()))
            close(*f);
    }
    std::lock_guard lock(m_);
    std::erase_if(files_, [](const auto& f) { return f->fd < 0; });
}

// The lines of the entries taken, in the recording's format.
void Journal::format(File& f)
{
    std::size_t size = f.taking.size() * CsvSampleLineMax;
    for (const QByteArray& t : f.takingTexts)
        size += std::size_t(t.size());
    f.bytes.resize(size);
    char* p = f.bytes.data();
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

void Journal::close(File& f)
{
    ::close(f.fd);  // also lets go of the lock
    f.fd = -1;
}

JournalContent ReadJournal(QByteArrayView bytes)
{
    JournalContent c;
    QByteArrayView header;
    QByteArray lines;
    qsizetype pos = 0;
    bool first = true;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", pos);
        if (end < 0)
            break;  // a line cut by the end of the journal
        const QByteArrayView line = bytes.sliced(pos, end - pos);
        pos = end + 2;
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
        lines.append(line.data(), line.size() + 2);
        ++c.samples;
    }
    if (c.samples == 0)
        return c;
    c.recording.reserve(header.size() + lines.size() + 64);
    c.recording.append(header.data(), header.size());
    c.recording.append("\r\n");
    c.recording.append(lines);
    c.recording.append(CsvClosingLine(FormatDate(c.lastTime, u"yyyy年m月d日 hh:nn:ss")));
    return c;
}

}  // namespace tavin
