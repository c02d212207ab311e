#include "record/OutputQueue.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unistd.h>

namespace tavin {

// Owned together by the queue and its writer, so that a writer blocked at the exit outlives the queue.
struct OutputQueue::Shared {
    explicit Shared(int f) : fd(f) {}
    const int fd;
    std::mutex m;
    std::condition_variable wake;
    std::condition_variable written;
    std::deque<QByteArray> lines;  // under m
    std::size_t bytes = 0;         // queued, under m
    bool writing = false;          // a line is in `write`, under m
    bool stop = false;             // under m
    std::atomic<std::uint64_t> dropped{0};

    // Blocking writes of one line; a reader that went away (EPIPE) or another error ends the line.
    void put(const QByteArray& line) const
    {
        for (qsizetype done = 0; done < line.size();) {
            const ssize_t n = ::write(fd, line.constData() + done, std::size_t(line.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            done += n;
        }
    }

    static void run(const std::shared_ptr<Shared>& s)
    {
        std::unique_lock lock(s->m);
        for (;;) {
            s->wake.wait(lock, [&] { return s->stop || !s->lines.empty(); });
            if (s->lines.empty())
                return;
            const QByteArray line = std::move(s->lines.front());
            s->lines.pop_front();
            s->bytes -= std::size_t(line.size());
            s->writing = true;
            lock.unlock();
            s->put(line);
            lock.lock();
            s->writing = false;
            s->written.notify_all();
        }
    }
};

OutputQueue::OutputQueue(int fd) : s_(std::make_shared<Shared>(fd)), writer_(Shared::run, s_) {}

OutputQueue::~OutputQueue()
{
    flush(FlushMs);
    bool idle = false;
    {
        std::lock_guard lock(s_->m);
        s_->stop = true;  // no line is taken from here on
        idle = s_->lines.empty() && !s_->writing;
    }
    s_->wake.notify_all();
    // A writer that is not held up ends now, so that nothing runs beside the program's exit; one
    // blocked in `write` keeps what it shares and ends with the process.
    if (idle)
        writer_.join();
    else
        writer_.detach();
}

void OutputQueue::line(const QByteArray& bytes)
{
    {
        std::lock_guard lock(s_->m);
        if (s_->stop || s_->bytes + std::size_t(bytes.size()) > MaxBytes) {
            s_->dropped.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        s_->lines.push_back(bytes);
        s_->bytes += std::size_t(bytes.size());
    }
    s_->wake.notify_one();
}

void OutputQueue::status(const QByteArray& bytes)
{
    {
        std::lock_guard lock(s_->m);
        if (s_->stop || s_->writing || !s_->lines.empty()) {
            s_->dropped.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        s_->lines.push_back(bytes);
        s_->bytes += std::size_t(bytes.size());
    }
    s_->wake.notify_one();
}

bool OutputQueue::flush(int ms)
{
    std::unique_lock lock(s_->m);
    return s_->written.wait_for(lock, std::chrono::milliseconds(ms),
                                [&] { return s_->lines.empty() && !s_->writing; });
}

std::uint64_t OutputQueue::dropped() const { return s_->dropped.load(std::memory_order_relaxed); }

}  // namespace tavin
