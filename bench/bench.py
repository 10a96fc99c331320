#!/usr/bin/env python3
"""Times quorvane-tag against the Python csv-module script on 100 MB ASCII and
code page 932 CSV files and a 30 MB dense Japanese one, and prints throughput,
peak memory and ratios, each beside its target.

usage: bench.py BUILD_DIR
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 100 * 1000 * 1000
FIELDS = 6
RUNS = 3


def generate(kind, size, path):
    if not os.path.exists(path) or os.path.getsize(path) < size:
        print("generating %s" % path, flush=True)
        subprocess.run([sys.executable, os.path.join(HERE, "gen_csv.py"), kind, str(size), path],
                       check=True)


def timed(command, stdout=None):
    """Best wall time of the runs, the user and system CPU seconds of that run,
    and the largest peak resident size in MiB as GNU time reports it (measured
    on the program itself, not on a copy of this script). CPU time is the
    steadier figure when the machine is shared. With `stdout` the program's
    standard output goes to that file."""
    best = None
    peak = 0.0
    report = os.path.join(os.path.dirname(command[-1]), "time.txt")
    for _ in range(RUNS):
        start = time.perf_counter()
        if stdout is None:
            subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", report] + command, check=True)
        else:
            with open(stdout, "wb") as out:
                subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", report] + command,
                               stdout=out, check=True)
        elapsed = time.perf_counter() - start
        with open(report) as f:
            rss, user, system = f.read().split()[-3:]
        peak = max(peak, int(rss) / 1024.0)
        if best is None or elapsed < best[0]:
            best = (elapsed, float(user), float(system))
    return best, peak


def main():
    build = sys.argv[1]
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    tag = os.path.join(build, "quorvane-tag")
    try:
        import pandas  # noqa: F401
        have_pandas = True
    except ImportError:
        have_pandas = False
    # kind, encoding, size, fields, MB/s target
    for kind, encoding, size, fields, target in (
            ("ascii", "ascii", SIZE, FIELDS, 400), ("cp932", "cp932", SIZE, FIELDS, 250),
            ("japanese", "cp932", 30 * 1000 * 1000, 5, 250)):
        source = os.path.join(work, kind + ".csv")
        generate(kind, size, source)
        megabytes = os.path.getsize(source) / 1e6
        out = os.path.join(work, kind + ".html")
        # Standard output into a file is the like-for-like figure (the Python
        # script does not sync either); -o also syncs the file before renaming.
        (seconds, user, system), peak = timed([tag, "-n", str(fields), source], stdout=out)
        rate = megabytes / seconds
        print("%-8s quorvane-tag  %7.1f MB/s  (%.3f s, target >= %d MB/s: %s)  peak %.1f MiB "
              "(target < 64: %s)  cpu %.2f s user + %.2f s sys"
              % (kind, rate, seconds, target, "ok" if rate >= target else "MISSED", peak,
                 "ok" if peak < 64 else "MISSED", user, system))
        (o_seconds, o_user, o_system), o_peak = timed([tag, "-n", str(fields), "-o", out, source])
        print("%-8s   with -o     %7.1f MB/s  (%.3f s, synced to disk)  peak %.1f MiB  "
              "cpu %.2f s user + %.2f s sys"
              % (kind, megabytes / o_seconds, o_seconds, o_peak, o_user, o_system))
        py_out = os.path.join(work, kind + ".py.html")
        (py_seconds, py_user, py_system), py_peak = timed(
            [sys.executable, os.path.join(HERE, "csv_to_table.py"), str(fields), encoding,
             source, py_out])
        ratio = py_seconds / seconds
        cpu_ratio = (py_user + py_system) / max(user + system, 1e-3)
        print("%-8s python csv     %7.1f MB/s  (%.3f s)  peak %.1f MiB  -> quorvane-tag is "
              "%.1fx (target >= 30x: %s), %.1fx in CPU time"
              % (kind, megabytes / py_seconds, py_seconds, py_peak, ratio,
                 "ok" if ratio >= 30 else "MISSED", cpu_ratio))
        if have_pandas:
            (pd_seconds, _, _), _ = timed(
                [sys.executable, os.path.join(HERE, "pandas_to_html.py"), encoding, source, py_out])
            print("%-8s pandas to_html %7.1f MB/s  (%.3f s)  -> quorvane-tag is %.1fx"
                  % (kind, megabytes / pd_seconds, pd_seconds, pd_seconds / seconds))
        else:
            print("%-8s pandas not installed, skipped" % kind)


if __name__ == "__main__":
    main()
