#!/usr/bin/env python3
"""Times quorvane-tag against the write limit (the finished table copied into
a new file) and the Python csv-module script on 100 MB ASCII and code page
932 CSV files and a 30 MB dense Japanese one, and prints throughput, CPU
time, peak memory and ratios, each beside its target.

usage: bench.py BUILD_DIR
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 100 * 1000 * 1000
FIELDS = 6
RUNS = 5


def generate(kind, size, path):
    if not os.path.exists(path) or os.path.getsize(path) < size:
        print("generating %s" % path, flush=True)
        subprocess.run([sys.executable, os.path.join(HERE, "gen_csv.py"), kind, str(size), path],
                       check=True)


def run_once(command, stdout=None):
    """Wall time, user and system CPU seconds and peak resident size in MiB
    of one run, as GNU time reports them (measured on the program itself, not
    on a copy of this script). With `stdout` the program's standard output
    goes to that file, a new one: the old one is removed before the clock
    starts, so that freeing it is not timed. What earlier runs left to write
    back to disk is written first, so that no run pays for another's."""
    report = os.path.join(os.path.dirname(command[-1]), "time.txt")
    timed_command = ["/usr/bin/time", "-f", "%M %U %S", "-o", report] + command
    if stdout is not None and os.path.exists(stdout):
        os.remove(stdout)
    os.sync()
    if stdout is None:
        start = time.perf_counter()
        subprocess.run(timed_command, check=True)
    else:
        with open(stdout, "wb") as out:
            start = time.perf_counter()
            subprocess.run(timed_command, stdout=out, check=True)
    elapsed = time.perf_counter() - start
    with open(report) as f:
        rss, user, system = f.read().split()[-3:]
    return elapsed, float(user), float(system), int(rss) / 1024.0


def timed(*runs):
    """For each (command, stdout) of `runs`, taken in turn RUNS times: the
    best wall time, the user and system CPU seconds of that run, and the
    largest peak resident size in MiB. CPU time is the steadier figure when
    the machine is shared; taking the commands in turn lets a busy moment
    of the machine slow all of them alike."""
    best = [None] * len(runs)
    peak = [0.0] * len(runs)
    for _ in range(RUNS):
        for k, (command, stdout) in enumerate(runs):
            elapsed, user, system, rss = run_once(command, stdout)
            peak[k] = max(peak[k], rss)
            if best[k] is None or elapsed < best[k][0]:
                best[k] = (elapsed, user, system)
    return [(b, p) for b, p in zip(best, peak)]


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
    # kind, encoding, size, fields, MB/s target, most times the write limit
    for kind, encoding, size, fields, target, most in (
            ("ascii", "ascii", SIZE, FIELDS, 400, 2), ("cp932", "cp932", SIZE, FIELDS, 250, None),
            ("japanese", "cp932", 30 * 1000 * 1000, 5, 250, 3)):
        source = os.path.join(work, kind + ".csv")
        generate(kind, size, source)
        megabytes = os.path.getsize(source) / 1e6
        out = os.path.join(work, kind + ".html")
        copy = os.path.join(work, kind + ".copy.html")
        # Standard output into a file is the like-for-like figure (the Python
        # script does not sync either); -o also syncs the file before renaming.
        # The write limit: the finished table copied into a new file, the
        # least that writing it costs, timed in turn with the converter.
        run_once([tag, "-n", str(fields), source], out)
        ((seconds, user, system), peak), ((w_seconds, w_user, w_system), _) = timed(
            ([tag, "-n", str(fields), source], out), (["cat", out], copy))
        rate = megabytes / seconds
        print("%-8s quorvane-tag  %7.1f MB/s  (%.3f s, target >= %d MB/s: %s)  peak %.1f MiB "
              "(target < 64: %s)  cpu %.2f s user + %.2f s sys"
              % (kind, rate, seconds, target, "ok" if rate >= target else "MISSED", peak,
                 "ok" if peak < 64 else "MISSED", user, system))
        ratio = seconds / w_seconds
        print("%-8s write limit   %7.1f MB/s  (%.3f s: cat of the %.0f MB table into a new file, "
              "cpu %.2f s user + %.2f s sys)  -> quorvane-tag takes %.2fx%s"
              % (kind, megabytes / w_seconds, w_seconds, os.path.getsize(out) / 1e6, w_user,
                 w_system, ratio, "" if most is None else " (target <= %dx: %s)"
                 % (most, "ok" if ratio <= most else "MISSED")))
        ((o_seconds, o_user, o_system), o_peak), = timed(
            ([tag, "-n", str(fields), "-o", out, source], None))
        print("%-8s   with -o     %7.1f MB/s  (%.3f s, synced to disk)  peak %.1f MiB  "
              "cpu %.2f s user + %.2f s sys"
              % (kind, megabytes / o_seconds, o_seconds, o_peak, o_user, o_system))
        py_out = os.path.join(work, kind + ".py.html")
        ((py_seconds, py_user, py_system), py_peak), = timed(
            ([sys.executable, os.path.join(HERE, "csv_to_table.py"), str(fields), encoding,
              source, py_out], None))
        ratio = py_seconds / seconds
        cpu_ratio = (py_user + py_system) / max(user + system, 1e-3)
        print("%-8s python csv     %7.1f MB/s  (%.3f s)  peak %.1f MiB  -> quorvane-tag is "
              "%.1fx (target >= 30x: %s), %.1fx in CPU time"
              % (kind, megabytes / py_seconds, py_seconds, py_peak, ratio,
                 "ok" if ratio >= 30 else "MISSED", cpu_ratio))
        if have_pandas:
            ((pd_seconds, _, _), _), = timed(
                ([sys.executable, os.path.join(HERE, "pandas_to_html.py"), encoding, source,
                  py_out], None))
            print("%-8s pandas to_html %7.1f MB/s  (%.3f s)  -> quorvane-tag is %.1fx"
                  % (kind, megabytes / pd_seconds, pd_seconds, pd_seconds / seconds))
        else:
            print("%-8s pandas not installed, skipped" % kind)


if __name__ == "__main__":
    main()
