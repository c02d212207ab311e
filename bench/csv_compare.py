#!/usr/bin/env python3
"""Writes and reads a 360,001-sample recording with the program's CSV code (csv_bench) and, in
the same run on the same data, with Python's csv module and pandas.read_csv; prints the ratios.
Also times the analysis CSV csv_bench writes beside it and checks that pandas.read_csv reads that
file with no arguments but its name."""
import csv
import math
import os
import subprocess
import sys
import tempfile
import time

import pandas

BENCH = sys.argv[1] if len(sys.argv) > 1 else "build/bench/csv_bench"
SAMPLES = 360001


def data(step):
    values = [round(50.0 * math.sin(i / 500.0) + 0.001 * (i % 1000), 2) for i in range(SAMPLES)]
    times = [46362.5 + math.floor(i * step) / 86400.0 for i in range(SAMPLES)]
    return values, times


def best(f, rounds=5):
    b = float("inf")
    for _ in range(rounds):
        t0 = time.perf_counter()
        f()
        b = min(b, time.perf_counter() - t0)
    return b


def python_write(path, values, times):
    if os.path.exists(path):
        os.remove(path)  # a new file each time, as the program writes them
    with open(path, "w", newline="", encoding="cp932") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["2026年12月6日 12:00:00", f"{times[0]:.15G}", 1, "1000 msec", 100, 0, "kPa", 1])
        prev = None
        for i, (v, t) in enumerate(zip(values, times)):
            w.writerow([f"{v:.7G}", f"{t:.15G}" if i and t != prev else ""])
            prev = t
        w.writerow(["", "2026年12月7日 0:00:00"])


def python_read(path):
    values, times = [], []
    with open(path, newline="", encoding="cp932") as f:
        r = csv.reader(f)
        header = next(r)
        current = float(header[1])
        for row in r:
            if row[1]:
                try:
                    current = float(row[1])
                except ValueError:
                    pass
            values.append(float(row[0]) if row[0] else 0.0)
            times.append(current)
    return values, times


def pandas_read(path):
    frame = pandas.read_csv(path, encoding="cp932", skiprows=1, header=None, names=["v", "t"])
    frame["t"] = pandas.to_numeric(frame["t"], errors="coerce").ffill()
    return frame


def analysis_problems(path):
    """What keeps pandas from taking the analysis CSV as it is: columns, rows, times, numbers."""
    frame = pandas.read_csv(path)
    problems = []
    if list(frame.columns) != ["time", "value [kPa]", "average [kPa]"]:
        problems.append(f"columns {list(frame.columns)}")
    if len(frame) != SAMPLES:
        problems.append(f"{len(frame)} rows")
    times = pandas.to_datetime(frame["time"], errors="coerce")
    if times.isna().any() or not (times.diff().dropna() > pandas.Timedelta(0)).all():
        problems.append("times unreadable or not increasing")
    if any(frame[c].dtype.kind != "f" for c in frame.columns[1:]):
        problems.append(f"types {list(frame.dtypes)}")
    return problems


def main():
    print(f"{'time stamps':<22}{'':>8}{'program':>10}{'python csv':>12}{'pandas':>10}{'vs csv':>9}{'vs pandas':>11}")
    failed = False
    with tempfile.TemporaryDirectory() as tmp:
        for label, step in (("one per line (1 s)", 1.0), ("one per 1000 (1 ms)", 0.001)):
            ours = os.path.join(tmp, "ours.csv")
            out = subprocess.run([BENCH, ours, str(step)], check=True, capture_output=True, text=True).stdout
            figures = dict(line.split() for line in out.splitlines())
            values, times = data(step)
            theirs = os.path.join(tmp, "python.csv")
            py_write = best(lambda: python_write(theirs, values, times))
            py_read = best(lambda: python_read(ours))
            pd_read = best(lambda: pandas_read(ours))
            write, read = float(figures["write"]), float(figures["read"])
            print(f"{label:<22}{'write':>8}{write * 1e3:>8.1f}ms{py_write * 1e3:>10.1f}ms{'':>10}{py_write / write:>8.1f}x")
            print(f"{'':<22}{'read':>8}{read * 1e3:>8.1f}ms{py_read * 1e3:>10.1f}ms{pd_read * 1e3:>8.1f}ms"
                  f"{py_read / read:>8.1f}x{pd_read / read:>10.1f}x")
            analysis = float(figures["analysis"])
            problems = analysis_problems(ours + ".analysis.csv")
            print(f"{'':<22}analysis CSV (360,001 samples, with average): {analysis:.4f} s, goal < 0.5 s, "
                  f"{analysis / write:.1f}x recording writer; pandas.read_csv: {', '.join(problems) or 'as it is'}")
            failed |= py_write / write < 20 or py_read / read < 15 or pd_read / read < 3
            failed |= analysis >= 0.5 or bool(problems)
    print("goals: write 20x Python csv; read 15x Python csv and 3x pandas; analysis CSV < 0.5 s and read by"
          " pandas as it is" + (" -- NOT MET" if failed else " -- met"))


if __name__ == "__main__":
    main()
