// gauge-sim: a simulated pressure gauge on a pseudo-terminal, linked as ports/COMn beside the
// program so that the program sees it as a COM port. Prints every frame it sends.
#include "GaugeFrames.h"
#include "core/platform/AppFolders.h"
#include "core/platform/ToolTexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <random>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using tavin::sim::FrameSpec;

namespace {

// What --help prints.
const char* const Usage = QT_TRANSLATE_NOOP(
    "gauge-sim",
    "使い方: gauge-sim [--dir DIR] [オプション]\n"
    "\n"
    "疑似端末を作って DIR/ports/COMn としてリンクし、プログラムがポートを開いたらゲージの\n"
    "フレームを送ります。送ったフレームごとに、番号、値の文字列、フレームのバイトの 16 進数、\n"
    "チェック文字を壊したフレームには \"bad\" を表示します。プログラムが送ったバイトは標準エラーに\n"
    "\"gauge-sim: received\" とその 16 進数で表示し、応答はしません。\n"
    "\n"
    "  --dir DIR          プログラムの設定フォルダ (リンクは DIR/ports/COMn)。既定: 同じフォルダの\n"
    "                     TAVIN-Monitor と tavin-record が探すところ (その横、インストールしたとき\n"
    "                     は $XDG_CONFIG_HOME/TAVIN-Monitor)\n"
    "  --com N            COM 番号、1..30 (既定 1)\n"
    "  --kind K           ゲージの種類: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200 (既定 0)\n"
    "  --period MS        フレームの間隔 (ミリ秒)、1..600000 (既定 1000)\n"
    "  --wave W           constant、ramp、sine、steps または fall (既定 sine)。fall は offset から\n"
    "                     始まり、100 フレームごとに amplitude だけ一様に下がる\n"
    "  --offset V         中心の値 (既定 0)\n"
    "  --amplitude V      波の大きさ (既定 1)\n"
    "  --unit U           M (MPa)、k (kPa)、P (Pa) または - (なし) (既定 k)\n"
    "  --battery NN       電池の電圧 (0.1 V 単位)、0..99 (既定 85)\n"
    "  --ref C            基準の文字 (既定 G)\n"
    "  --short            種類 0, 2, 3: 単位と電池のない 6 文字のフレーム\n"
    "  --bad-bcc N        N 番目ごとのフレームのチェック文字を壊す\n"
    "  --noise            フレームの間に余分なバイトを送る\n"
    "  --split            各フレームを何回かに分けて書く\n"
    "  --count N          N フレームを送った後は、停止まで何も送らない\n"
    "  --vanish-after N   N フレームを送った後、抜かれたデバイスのように消える\n"
    "  --stamp            各フレームの行の終わりに @ と、書き込みが終わった時刻 (1970 年からの\n"
    "                     ミリ秒) を付ける (フレームのタイムスタンプを確かめるため)\n"
    "  --quiet            フレームごとの表示をしない\n"
    "  --help             この説明を表示する\n"
    "  --version          版を表示する\n");

// A text of this tool's in the user's language (see InstallToolLanguage).
QString text(const char* source) { return QCoreApplication::translate("gauge-sim", source); }

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

struct Options {
    fs::path dir;
    int com = 1;
    FrameSpec wire;
    long periodMs = 1000;
    std::string wave = "sine";
    double offset = 0.0, amplitude = 1.0;
    long badEvery = 0;
    bool noise = false, split = false, quiet = false, stamp = false;
    long count = -1, vanishAfter = -1;
};

[[noreturn]] void fail(const QString& why)
{
    std::fprintf(stderr, "gauge-sim: %s\n", why.toUtf8().constData());
    std::exit(2);
}

// The whole number given to `option`, from `lo` to `hi`.
long number(const char* given, long lo, long hi, const std::string& option)
{
    char* end = nullptr;
    const long v = std::strtol(given, &end, 10);
    if (!end || *end || v < lo || v > hi)
        fail(text(QT_TRANSLATE_NOOP("gauge-sim", "%1 の値 %2 は使えません: %3 から %4 の数。"))
                 .arg(QString::fromStdString(option), QString::fromLocal8Bit(given))
                 .arg(lo)
                 .arg(hi));
    return v;
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                fail(text(QT_TRANSLATE_NOOP("gauge-sim", "%1 に値がありません。"))
                         .arg(QString::fromStdString(a)));
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(text(Usage).toUtf8().constData(), stdout);
            std::exit(0);
        } else if (a == "--version") {
            std::puts(tavin::ToolVersionLine(QStringLiteral("gauge-sim")).toUtf8().constData());
            std::exit(0);
        } else if (a == "--dir")
            o.dir = value();
        else if (a == "--com")
            o.com = int(number(value(), 1, 30, a));
        else if (a == "--kind")
            o.wire.kind = int(number(value(), 0, 5, a));
        else if (a == "--period")
            o.periodMs = number(value(), 1, 600000, a);
        else if (a == "--wave")
            o.wave = value();
        else if (a == "--offset")
            o.offset = std::atof(value());
        else if (a == "--amplitude")
            o.amplitude = std::atof(value());
        else if (a == "--unit")
            o.wire.unit = value()[0];
        else if (a == "--battery")
            o.wire.battery = int(number(value(), 0, 99, a));
        else if (a == "--ref")
            o.wire.reference = value()[0];
        else if (a == "--short")
            o.wire.shortForm = true;
        else if (a == "--bad-bcc")
            o.badEvery = number(value(), 1, 1000000, a);
        else if (a == "--noise")
            o.noise = true;
        else if (a == "--split")
            o.split = true;
        else if (a == "--count")
            o.count = number(value(), 0, 1L << 40, a);
        else if (a == "--vanish-after")
            o.vanishAfter = number(value(), 0, 1L << 40, a);
        else if (a == "--quiet")
            o.quiet = true;
        else if (a == "--stamp")
            o.stamp = true;
        else
            fail(text(QT_TRANSLATE_NOOP("gauge-sim", "不明なオプションです: %1 (--help で一覧を表示)"))
                     .arg(QString::fromStdString(a)));
    }
    if (o.wave != "constant" && o.wave != "ramp" && o.wave != "sine" && o.wave != "steps" && o.wave != "fall")
        fail(text(QT_TRANSLATE_NOOP("gauge-sim", "不明な波形です: %1")).arg(QString::fromStdString(o.wave)));
    if (std::string("MkP-").find(o.wire.unit) == std::string::npos)
        fail(text(QT_TRANSLATE_NOOP("gauge-sim", "--unit は M、k、P、- のどれかです。")));
    return o;
}

double waveValue(const Options& o, long i)
{
    if (o.wave == "constant")
        return o.offset;
    if (o.wave == "ramp")
        return o.offset + o.amplitude * double(i % 100) / 100.0;
    if (o.wave == "steps")
        return o.offset + o.amplitude * double((i / 20) % 5) / 4.0;
    if (o.wave == "fall")
        return o.offset - o.amplitude * double(i) / 100.0;
    return o.offset + o.amplitude * std::sin(2.0 * M_PI * double(i) / 100.0);
}

// The program has the port open when the master side reports no hang-up.
bool listenerPresent(int master)
{
    pollfd p{master, 0, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
            if (stopRequested)
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

std::string hex(const std::string& bytes)
{
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    // For its texts only: the tool runs no event loop.
    QCoreApplication app(argc, argv);
    tavin::InstallToolLanguage(app);
    Options o = parse(argc, argv);
    if (o.dir.empty()) {  // where the programs beside it look for their port pins
        const QString folder = tavin::ProgramFolders(QCoreApplication::applicationDirPath()).config;
        tavin::MakePrivateFolder(folder);
        o.dir = QFile::encodeName(folder).toStdString();
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        fail(text(QT_TRANSLATE_NOOP("gauge-sim", "疑似端末を作れません: %1"))
                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
    const std::string slave = ::ptsname(master);
    {
        // Raw from the start, so no byte is ever changed by the terminal's line rules.
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (fd < 0 || ::tcgetattr(fd, &t) != 0)
            fail(text(QT_TRANSLATE_NOOP("gauge-sim", "%1 を設定できません。"))
                     .arg(QString::fromStdString(slave)));
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        ::close(fd);
    }

    const fs::path ports = o.dir / "ports";
    const fs::path link = ports / ("COM" + std::to_string(o.com));
    std::error_code ec;
    fs::create_directories(ports, ec);
    fs::remove(link, ec);
    fs::create_symlink(slave, link, ec);
    if (ec)
        fail(text(QT_TRANSLATE_NOOP("gauge-sim", "%1 のリンクを作れません: %2"))
                 .arg(QString::fromStdString(link.string()), QString::fromLocal8Bit(ec.message().c_str())));
    std::fprintf(stderr, "gauge-sim: %s\n",
                 text(QT_TRANSLATE_NOOP("gauge-sim", "種類 %1 を %2 で COM%3 として、%4 ms ごとに送ります"))
                     .arg(o.wire.kind)
                     .arg(QString::fromStdString(slave))
                     .arg(o.com)
                     .arg(o.periodMs)
                     .toUtf8()
                     .constData());
    std::fflush(stderr);

    std::mt19937 rng(12345);
    const auto period = std::chrono::milliseconds(o.periodMs);
    auto next = std::chrono::steady_clock::now();
    long sent = 0;
    bool announced = false;
    char drain[4096];
    while (!stopRequested) {
        next += period;
        std::this_thread::sleep_until(next);
        // Whatever the program sends is not answered, only shown (in hexadecimal), on a line the
        // tests read: not translated.
        for (ssize_t n; (n = ::read(master, drain, sizeof drain)) > 0;) {
            std::fprintf(stderr, "gauge-sim: received %s\n", hex(std::string(drain, std::size_t(n))).c_str());
            std::fflush(stderr);
        }
        if (!listenerPresent(master)) {
            if (!announced)
                std::fprintf(stderr, "gauge-sim: %s\n",
                             text(QT_TRANSLATE_NOOP("gauge-sim", "プログラムが COM%1 を開くのを待っています"))
                                 .arg(o.com)
                                 .toUtf8()
                                 .constData());
            announced = true;
            continue;
        }
        if (o.vanishAfter >= 0 && sent >= o.vanishAfter) {
            // Give the last frame time to be read: closing the terminal discards what waits in it.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            break;
        }
        if (o.count >= 0 && sent >= o.count)
            continue;

        FrameSpec wire = o.wire;
        wire.value = waveValue(o, sent);
        wire.badBcc = o.badEvery > 0 && (sent + 1) % o.badEvery == 0;
        std::string bytes = tavin::sim::EncodeFrame(wire);
        if (o.noise) {
            // Bytes no framing starts a frame with.
            static const char stray[] = {'x', '\r', '\n', '?', '\x7f'};
            bytes.insert(bytes.begin(), stray[rng() % sizeof stray]);
        }
        bool ok = true;
        if (o.split && bytes.size() > 1) {
            std::size_t at = 0;
            while (ok && at < bytes.size()) {
                const std::size_t n = 1 + rng() % 3;
                ok = writeAll(master, bytes.substr(at, n));
                at += n;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        } else {
            ok = writeAll(master, bytes);
        }
        if (!ok)
            break;
        const long long writtenMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count();
        ++sent;
        if (!o.quiet) {
            std::printf("%ld %s %s%s", sent, tavin::sim::ExpectedValueText(wire).c_str(), hex(bytes).c_str(),
                        wire.badBcc ? " bad" : "");
            if (o.stamp)
                std::printf(" @%lld", writtenMs);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    fs::remove(link, ec);
    ::close(master);
    std::fprintf(stderr, "gauge-sim: %s\n",
                 text(stopRequested ? QT_TRANSLATE_NOOP("gauge-sim", "%1 フレームを送って停止しました")
                                    : QT_TRANSLATE_NOOP("gauge-sim", "%1 フレームを送って消えました"))
                     .arg(sent)
                     .toUtf8()
                     .constData());
    return 0;
}
