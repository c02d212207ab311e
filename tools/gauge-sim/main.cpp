// gauge-sim: a simulated pressure gauge on a pseudo-terminal, linked as ports/COMn beside the
// program so that the program sees it as a COM port. Prints every frame it sends.
#include "GaugeFrames.h"

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

const char* kUsage = R"(usage: gauge-sim --dir DIR [options]

Creates a pseudo-terminal, links it as DIR/ports/COMn and sends gauge frames on it once the
program has opened the port. Each frame sent is printed as: number, value text, frame bytes in
hexadecimal, and "bad" for a frame with corrupted check characters. Bytes the program sends
are printed on stderr as "gauge-sim: received" and their hexadecimal digits, and not answered.

  --dir DIR          folder of the program's executable (the link goes to DIR/ports/COMn)
  --com N            COM number, 1..30 (default 1)
  --kind K           gauge kind: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200 (default 0)
  --period MS        time between frames in milliseconds, 1..600000 (default 1000)
  --wave W           constant, ramp, sine, steps or fall (default sine); fall starts at the
                     offset and falls by the amplitude every 100 frames, steadily
  --offset V         centre value (default 0)
  --amplitude V      size of the wave (default 1)
  --unit U           M (MPa), k (kPa), P (Pa) or - (none) (default k)
  --battery NN       battery level in tenths of a volt, 0..99 (default 85)
  --ref C            reference character (default G)
  --short            kinds 0, 2, 3: six-character frames without unit and battery
  --bad-bcc N        corrupt the check characters of every Nth frame
  --noise            send stray bytes between frames
  --split            send each frame in several writes
  --count N          send N frames, then stay silent until stopped
  --vanish-after N   send N frames, then disappear like an unplugged device
  --stamp            end each frame's line with @ and the wall-clock time the write ended, in
                     milliseconds since 1970 (what a frame's time stamp is checked against)
  --quiet            print nothing per frame
  --help             this text
)";

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

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "gauge-sim: %s\n", why.c_str());
    std::exit(2);
}

long number(const char* text, long lo, long hi, const char* what)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end || v < lo || v > hi)
        fail(std::string("bad ") + what + ": " + text);
    return v;
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                fail("missing value for " + a);
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--dir")
            o.dir = value();
        else if (a == "--com")
            o.com = int(number(value(), 1, 30, "COM number"));
        else if (a == "--kind")
            o.wire.kind = int(number(value(), 0, 5, "kind"));
        else if (a == "--period")
            o.periodMs = number(value(), 1, 600000, "period");
        else if (a == "--wave")
            o.wave = value();
        else if (a == "--offset")
            o.offset = std::atof(value());
        else if (a == "--amplitude")
            o.amplitude = std::atof(value());
        else if (a == "--unit")
            o.wire.unit = value()[0];
        else if (a == "--battery")
            o.wire.battery = int(number(value(), 0, 99, "battery"));
        else if (a == "--ref")
            o.wire.reference = value()[0];
        else if (a == "--short")
            o.wire.shortForm = true;
        else if (a == "--bad-bcc")
            o.badEvery = number(value(), 1, 1000000, "bad-bcc");
        else if (a == "--noise")
            o.noise = true;
        else if (a == "--split")
            o.split = true;
        else if (a == "--count")
            o.count = number(value(), 0, 1L << 40, "count");
        else if (a == "--vanish-after")
            o.vanishAfter = number(value(), 0, 1L << 40, "vanish-after");
        else if (a == "--quiet")
            o.quiet = true;
        else if (a == "--stamp")
            o.stamp = true;
        else
            fail("unknown option " + a + " (see --help)");
    }
    if (o.dir.empty())
        fail("--dir is required (see --help)");
    if (o.wave != "constant" && o.wave != "ramp" && o.wave != "sine" && o.wave != "steps" && o.wave != "fall")
        fail("unknown wave " + o.wave);
    if (std::string("MkP-").find(o.wire.unit) == std::string::npos)
        fail("unit must be M, k, P or -");
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
    const Options o = parse(argc, argv);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        fail(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
    const std::string slave = ::ptsname(master);
    {
        // Raw from the start, so no byte is ever changed by the terminal's line rules.
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (fd < 0 || ::tcgetattr(fd, &t) != 0)
            fail("cannot set up " + slave);
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
        fail("cannot link " + link.string() + ": " + ec.message());
    std::fprintf(stderr, "gauge-sim: kind %d on %s as COM%d, every %ld ms\n", o.wire.kind, slave.c_str(),
                 o.com, o.periodMs);
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
        // Whatever the program sends is not answered, only shown (in hexadecimal).
        for (ssize_t n; (n = ::read(master, drain, sizeof drain)) > 0;) {
            std::fprintf(stderr, "gauge-sim: received %s\n", hex(std::string(drain, std::size_t(n))).c_str());
            std::fflush(stderr);
        }
        if (!listenerPresent(master)) {
            if (!announced)
                std::fprintf(stderr, "gauge-sim: waiting for the program to open COM%d\n", o.com);
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
    std::fprintf(stderr, "gauge-sim: %s after %ld frames\n", stopRequested ? "stopped" : "vanished", sent);
    return 0;
}
