"""The pieces of a measuring plant on one machine, each a process of its own on free loopback ports
in a folder of the caller's: InfluxDB 1.x, a mosquitto broker with persistence, Node-RED with the
MQTT-to-InfluxDB flow of examples/node-red, simulated gauges, tavin-record, and busy loops that
keep every core occupied. Used by the chain test (tests/chain/run) and the plant benchmark
(bench/plant).

Every process starts in a session of its own, so that stopping it stops whatever it started, and
is registered with a Plant, whose close() stops all of them, last started first, whatever happened.
The executables come from the build folder that the BUILD environment variable names (default:
build/ in the repository)."""
import calendar
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import urllib.parse
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("BUILD") or ROOT / "build")
FLOW = ROOT / "examples/node-red/flow.json"
NODE_RED = ROOT / "tools/node-red/node_modules/node-red/red.js"
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def free_port():
    """A loopback TCP port that nothing listens on now."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
        return True
    except OSError:
        return False


def cpu_seconds(pid):
    """User and system CPU time of process `pid` so far (all its threads; 0 once it is gone)."""
    try:
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime, stime


class Process:
    """A program started in a session of its own, its output going to `log` (its standard output
    to `out` instead when given)."""

    def __init__(self, name, args, log, env=None, cwd=None, out=None):
        self.name, self.args, self.log, self.env, self.cwd = name, [str(a) for a in args], Path(log), env, cwd
        self.out = Path(out) if out else None
        self.proc = None
        self.start()

    def start(self):
        with open(self.log, "ab") as log, open(self.out or os.devnull, "ab") as out:
            self.proc = subprocess.Popen(self.args, stdin=subprocess.DEVNULL, stdout=out if self.out else log,
                                         stderr=log, env=self.env, cwd=self.cwd, start_new_session=True)

    @property
    def pid(self):
        return self.proc.pid

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self, timeout=10):
        """SIGTERM to its process group, SIGKILL when it has not ended after `timeout` seconds;
        its exit status."""
        if self.proc is None:
            return None
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
            except ProcessLookupError:
                pass
        try:  # whatever it started and left behind in its group
            os.killpg(self.proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        return self.proc.returncode

    def tail(self, lines=30):
        try:
            text = self.log.read_text(errors="replace").splitlines()
        except FileNotFoundError:
            return f"--- {self.name}: no log\n"
        return f"--- {self.name} ({self.log}), last {min(lines, len(text))} lines:\n" + "\n".join(text[-lines:]) + "\n"

    def wait_for(self, ready, what, timeout):
        """Waits until `ready()` holds; when the process ended first or the time ran out, stops it
        and raises with its log's tail."""
        deadline = time.monotonic() + timeout
        while not ready():
            if not self.running() or time.monotonic() > deadline:
                why = f"it ended with status {self.proc.returncode}" if not self.running() else f"not in {timeout} s"
                self.stop()
                raise RuntimeError(f"{self.name}: no {what}: {why}\n{self.tail()}")
            time.sleep(0.05)


class Influx(Process):
    """influxd with a configuration of its own: data, meta and WAL in `folder`, HTTP on a free
    loopback port, no reporting, no internal monitoring database."""

    def __init__(self, folder, env=None):
        folder = Path(folder)
        self.port = free_port()
        self.url = f"http://127.0.0.1:{self.port}"
        conf = folder / "influxdb.conf"
        conf.write_text(f"""reporting-disabled = true
bind-address = "127.0.0.1:{free_port()}"
[meta]
  dir = "{folder}/meta"
  logging-enabled = false
[data]
  dir = "{folder}/data"
  wal-dir = "{folder}/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[continuous_queries]
  enabled = false
[http]
  bind-address = "127.0.0.1:{self.port}"
  log-enabled = false
""")
        super().__init__("influxd", [shutil.which("influxd") or "/usr/bin/influxd", "-config", conf],
                         folder / "influxd.log", env)
        self.wait_for(self.ping, "answer on /ping", 30)

    def ping(self):
        try:
            return urllib.request.urlopen(f"{self.url}/ping", timeout=1).status == 204
        except OSError:
            return False

    def query(self, q, db=None, post=False, chunked=False):
        """The results of query `q` (times in ms since 1970): a list of the statements' results,
        the chunks' series put together."""
        params = {"q": q, "epoch": "ms"}
        if db:
            params["db"] = db
        if chunked:
            params.update(chunked="true", chunk_size="20000")
        data = urllib.parse.urlencode(params).encode()
        req = (urllib.request.Request(f"{self.url}/query", data=data, method="POST") if post
               else urllib.request.Request(f"{self.url}/query?{data.decode()}"))
        with urllib.request.urlopen(req, timeout=60) as r:
            body = r.read().decode()
        results = {}
        for line in body.splitlines():  # one JSON document per chunk
            if not line.strip():
                continue
            for res in json.loads(line).get("results", []):
                if "error" in res:
                    raise RuntimeError(f"InfluxDB: {res['error']} in {q}")
                into = results.setdefault(res.get("statement_id", 0), {})
                for s in res.get("series", []):
                    key = (s["name"], json.dumps(s.get("tags"), sort_keys=True))
                    if key in into:
                        into[key]["values"] += s["values"]
                    else:
                        into[key] = s
        return [list(results[k].values()) for k in sorted(results)]

    def create(self, db):
        self.query(f'CREATE DATABASE "{db}"', post=True)

    def count(self, db, measurement="pressure", field="value"):
        """The points of `measurement` with `field`; 0 before the first."""
        series = self.query(f'SELECT count("{field}") FROM "{measurement}"', db)[0]
        return sum(s["values"][0][1] for s in series)

    def points(self, db, q):
        """Every row of query `q` as dicts of the columns (chunked, for large answers)."""
        rows = []
        for s in self.query(q, db, chunked=True)[0]:
            cols = s["columns"]
            rows += [dict(zip(cols, v), **(s.get("tags") or {})) for v in s["values"]]
        return rows


class Mosquitto(Process):
    """mosquitto on a free loopback port (or `port`), anonymous, persistence in `folder`: its
    sessions and queued messages outlive a stop, for the next start on the same port and folder."""

    def __init__(self, folder, port=None, env=None):
        folder = Path(folder)
        self.port = port or free_port()
        self.url = f"mqtt://127.0.0.1:{self.port}"
        (folder / "mosquitto").mkdir(exist_ok=True)
        conf = folder / "mosquitto.conf"
        # As root it would switch to its own user, who could not write the folder; as anyone else
        # the user line does nothing. Queued messages: enough for minutes of a plant's batches.
        conf.write_text(f"""user root
listener {self.port} 127.0.0.1
allow_anonymous true
persistence true
persistence_location {folder}/mosquitto/
max_queued_messages 200000
log_dest file {folder}/mosquitto.log
log_type error
log_type warning
log_type notice
log_type information
connection_messages true
""")
        super().__init__("mosquitto", [shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", conf],
                         folder / "mosquitto.log", env)
        self.wait_for(lambda: listening(self.port), f"listener on port {self.port}", 10)

    def restart(self):
        self.start()
        self.wait_for(lambda: listening(self.port), f"listener on port {self.port}", 10)


class NodeRed(Process):
    """Node-RED (tools/node-red) on a free loopback port with `flow` (default: the project's
    flow) as its flows file in a user folder of its own, reading the broker and the database from
    the environment; started once its MQTT client is connected."""

    def __init__(self, folder, broker_port, influx_url, db, topic, client_id="tavin-influx", flow=FLOW, env=None):
        user_dir = Path(folder) / "node-red"
        user_dir.mkdir(exist_ok=True)
        shutil.copy(flow, user_dir / "flows.json")
        (user_dir / "settings.js").write_text("""module.exports = {
    uiHost: "127.0.0.1",
    flowFile: "flows.json",
    credentialSecret: false,
    diagnostics: { enabled: false },
    telemetry: { enabled: false },
    runtimeState: { enabled: false },
    externalModules: { autoInstall: false, palette: { allowInstall: false }, modules: { allowInstall: false } },
    editorTheme: { projects: { enabled: false }, tours: false },
    logging: { console: { level: "info", metrics: false, audit: false } },
};
""")
        if not NODE_RED.exists():
            raise RuntimeError(f"no Node-RED at {NODE_RED}: run scripts/setup")
        self.port = free_port()
        env = dict(env or os.environ, MQTT_HOST="127.0.0.1", MQTT_PORT=str(broker_port), MQTT_CLIENT_ID=client_id,
                   TAVIN_TOPIC=topic, INFLUX_URL=influx_url, INFLUX_DB=db, NODE_RED_ENABLE_PROJECTS="false")
        super().__init__("node-red", [shutil.which("node") or "node", NODE_RED, "--userDir", user_dir,
                                      "--settings", user_dir / "settings.js", "--port", self.port],
                         Path(folder) / "node-red.log", env)
        self.wait_for(lambda: "Connected to broker" in self.log.read_text(errors="replace"), "MQTT connection", 60)

    def problems(self):
        """The warnings and errors of the flow's nodes in the log."""
        return [line for line in self.log.read_text(errors="replace").splitlines()
                if "[warn] [" in line or "[error] [" in line]


class GaugeSim(Process):
    """gauge-sim on COM`com`, linked as `folder`/ports/COMn, sending a sine every `period_ms`."""

    def __init__(self, folder, com=7, period_ms=1, kind=0, env=None):
        self.link = Path(folder) / f"ports/COM{com}"
        if self.link.is_symlink() or self.link.exists():
            self.link.unlink()
        super().__init__(f"gauge-sim COM{com}",
                         [BUILD / "gauge-sim", "--dir", folder, "--com", com, "--kind", kind, "--period", period_ms,
                          "--wave", "sine", "--amplitude", "50", "--offset", "100", "--quiet"],
                         Path(folder) / f"gauge-sim-COM{com}.log", env)
        self.wait_for(lambda: self.link.exists(), f"port {self.link}", 10)


class Recorder(Process):
    """tavin-record linked into `folder` (so that its LOG/ and journal list there are its own),
    recording into `folder`/rec; its stdout (a line per saved segment) in `folder`/recorder.out."""

    def __init__(self, folder, port, args, env=None, name="tavin-record"):
        folder = Path(folder)
        exe = folder / "tavin-record"
        if not exe.exists():
            try:
                os.link(BUILD / "tavin-record", exe)
            except OSError:
                shutil.copy(BUILD / "tavin-record", exe)
        self.rec = folder / "rec"
        self.rec.mkdir(exist_ok=True)
        super().__init__(name, [exe, "--port", port, "--kind", "0", "--dir", self.rec, "--quiet", *args],
                         folder / "recorder.err", env, cwd=folder, out=folder / "recorder.out")

    def saved(self):
        """The segments it said it saved: (path, samples)."""
        rows = []
        for line in self.out.read_text(errors="replace").splitlines():
            f = line.split("\t")
            if len(f) == 4:
                rows.append((Path(f[0]), int(f[1])))
        return rows


class Busy:
    """A process spinning on each core (or `n`), for the run's whole length."""

    def __init__(self, n=None):
        self.procs = [subprocess.Popen([sys.executable, "-c", "while True: pass"], start_new_session=True)
                      for _ in range(n or os.cpu_count() or 1)]
        self.name = f"{len(self.procs)} busy loops"

    def running(self):
        return any(p.poll() is None for p in self.procs)

    def stop(self, timeout=5):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
            p.wait()

    def tail(self, lines=0):
        return ""


class Plant:
    """What was started, stopped together by close() (last started first), also after a failure."""

    def __init__(self, folder):
        self.folder = Path(folder)
        self.started = []
        self.env = dict(os.environ, TZ=os.environ.get("TZ", "UTC"))
        if not self.env.get("XDG_RUNTIME_DIR"):  # Qt wants a private runtime folder
            runtime = self.folder / "runtime"
            runtime.mkdir(mode=0o700, exist_ok=True)
            self.env["XDG_RUNTIME_DIR"] = str(runtime)

    def add(self, piece):
        self.started.append(piece)
        return piece

    def start(self, cls, *args, **kwargs):
        """Starts `cls(*args, env=the plant's environment, **kwargs)` and registers it (one that
        fails to start stops itself)."""
        kwargs.setdefault("env", self.env)
        return self.add(cls(*args, **kwargs))

    def close(self):
        for piece in reversed(self.started):
            try:
                piece.stop()
            except Exception as e:  # the others are stopped all the same
                print(f"stopping {piece.name}: {e}", file=sys.stderr)
        self.started.clear()

    def tails(self, lines=30):
        return "".join(p.tail(lines) for p in self.started)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def recording_samples(path):
    """The samples in a recording: its lines after the header, up to the closing line (an empty
    first field and the end time)."""
    lines = Path(path).read_bytes().split(b"\r\n")
    n = 0
    for line in lines[1:]:
        if not line or line.startswith(b","):
            break
        n += 1
    return n


def recordings(folder):
    """The recordings saved in `folder`, oldest first (analysis exports excluded)."""
    return sorted((p for p in Path(folder).glob("*.csv") if not p.name.endswith("_analysis.csv")),
                  key=lambda p: p.stat().st_mtime_ns)


def analysis_rows(path):
    """The rows of an analysis export as (ms since 1970, value text); the times are local times
    without offset, read here as UTC (the plant runs with TZ=UTC). Rows without a value (not a
    number at the gauge) are left out and counted apart: (rows, empty)."""
    rows, empty = [], 0
    with open(path, encoding="utf-8") as f:
        next(f)  # time,value [unit]
        for line in f:
            stamp, _, value = line.rstrip("\n").partition(",")
            if not value:
                empty += 1
                continue
            t = time.strptime(stamp[:19], "%Y-%m-%dT%H:%M:%S")
            rows.append((calendar.timegm(t) * 1000 + int(stamp[20:23]), value.split(",")[0]))
    return rows, empty


def segment_of(recording):
    """The segment's name as the stream gives it: the recording's file name without its save stamp
    ("-yyyymmdd-hhmmss") and extension."""
    stem = Path(recording).stem
    pieces = stem.rsplit("-", 2)
    return pieces[0] if len(pieces) == 3 and pieces[1].isdigit() and pieces[2].isdigit() else stem
