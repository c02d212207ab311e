#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavin::test {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Deadline::Deadline(unsigned seconds) { ::alarm(seconds); }
Deadline::~Deadline() { ::alarm(0); }

bool TestEnv::make(const QString& name, NotAFile kind) const
{
    const QByteArray p = QFile::encodeName(path(name));
    switch (kind) {
    case NotAFile::Fifo: return ::mkfifo(p.constData(), 0600) == 0;
    case NotAFile::Device: return ::symlink("/dev/null", p.constData()) == 0;
    case NotAFile::Folder: return QDir().mkpath(path(name));
    }
    return false;
}

unsigned TestEnv::typeOf(const QString& name) const
{
    struct stat st {};
    return ::stat(QFile::encodeName(path(name)).constData(), &st) == 0 ? unsigned(st.st_mode & S_IFMT) : 0u;
}

TestEnv::TestEnv() { dir.setAutoRemove(true); }

AppEnv TestEnv::env()
{
    AppEnv e;
    e.exeDir = dir.path();
    e.documentsDir = path(QStringLiteral("Documents"));
    e.prompts = &prompts;
    e.clock = [this] { return now; };
    return e;
}

std::unique_ptr<AppState> TestEnv::state() { return std::make_unique<AppState>(env()); }

QByteArray TestEnv::read(const QString& name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEnv::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

}  // namespace tavin::test
