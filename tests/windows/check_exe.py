#!/usr/bin/env python3
"""Runs quorvane-tag.exe under Wine, in a private prefix inside the build
folder, and the Linux quorvane-tag on the same cases: both must exit alike,
write the same bytes and leave the same files. Some cases name Windows
devices and run on the .exe only. Exits 77 (skipped) when Wine cannot start.

Usage: check_exe.py EXE LINUX_PROGRAM OBJDUMP WORK_DIR"""
import os
import shlex
import shutil
import subprocess
import sys
from pathlib import Path
from typing import NamedTuple

SKIPPED = 77
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "ntdll.dll",
               "shell32.dll", "ucrtbase.dll"}


def every_cp932_pair():
    """Every lead byte with every byte that may follow it, 16 fields a line."""
    leads = [*range(0x81, 0xA0), *range(0xE0, 0xFD)]
    fields = [bytes([lead, trail]) for lead in leads for trail in range(0x40, 0xFD)]
    lines = [b",".join(fields[i:i + 16]) for i in range(0, len(fields), 16)]
    return b"\r\n".join(lines) + b"\r\n"


CP932 = every_cp932_pair()
KATAKANA = b",".join(bytes([b]) for b in range(0xA1, 0xE0))
UTF8 = "名前,値\r\n東京,1\r\n①,\"Ⅱ\"\r\n".encode()
JAPANESE_NAME = "日本語の表.csv"
WORKED = b"a,b\r\nc\r\n"


class Case(NamedTuple):
    name: str
    args: list
    files: dict = {}
    stdin: bytes = b""
    status: int = 0
    exe_only: bool = False


CASES = [
    Case("every two-byte code page 932 code", ["-n", "16", "-e", "cp932", "in.csv"],
         {"in.csv": CP932}),
    Case("code page 932 found by auto", ["-n", "16", "in.csv"], {"in.csv": CP932}),
    Case("half-width katakana", ["-n", "8", "in.csv"], {"in.csv": KATAKANA}),
    Case("UTF-8 with a byte order mark", ["-n", "2", "in.csv"],
         {"in.csv": b"\xef\xbb\xbf" + UTF8}),
    Case("UTF-8 without one", ["-n", "2", "in.csv"], {"in.csv": UTF8}),
    Case("CR line ends", ["-n", "2", "in.csv"], {"in.csv": b"a,b\rc,d\r"}),
    Case("LF line ends", ["-n", "2", "in.csv"], {"in.csv": b"a,b\nc,d\n"}),
    Case("CR LF line ends", ["-n", "2", "in.csv"], {"in.csv": b"a,b\r\nc,d\r\n"}),
    Case("quotes and spaces", ["-n", "3", "in.csv"],
         {"in.csv": b' a , "b, c" ,"say ""hi"""\r\n  "x"  ,"line\r\nend",\r\n'}),
    Case("short last row", ["-n", "3", "in.csv"], {"in.csv": b"1,2,3\r\n4\r\n"}),
    Case("attributes with quotes and =",
         ["-n", "2", "-a", '1=class="x y"', "-a", "2=data-a=b=c", "in.csv"],
         {"in.csv": WORKED}),
    Case("UTF-16, tabs, header cells, escaping, a table attribute",
         ["-n", "2", "-e", "utf-16", "-d", "tab", "--header", "--escape", "--table-attr",
          'class="t"', "in.csv"],
         {"in.csv": "\ufeff名前\t<値>\r\n東京\t\"a&b\"\r\n".encode("utf-16-le")}),
    Case("Japanese file name", ["-n", "2", JAPANESE_NAME], {JAPANESE_NAME: CP932}),
    Case("standard input and output through pipes", ["-n", "2", "-"],
         stdin=b"a,\x1a\r\nb\r\n\r\n"),
    Case("-o replaces an existing file", ["-n", "2", "-o", "out.html", "in.csv"],
         {"in.csv": WORKED, "out.html": b"old"}),
    Case("-o writes a new file", ["-o", JAPANESE_NAME + ".html", "in.csv"], {"in.csv": WORKED}),
    Case("missing file", ["-o", "out.html", "missing.csv"], {"out.html": b"old"}, status=1),
    Case("folder as input", ["sub"], {"sub/keep": b""}, status=1),
    Case("folder as output", ["-o", "sub", "in.csv"], {"in.csv": WORKED, "sub/keep": b""},
         status=1),
    Case("-o into a missing folder", ["-o", "nodir/out.html", "in.csv"], {"in.csv": WORKED},
         status=1),
    Case("usage error", ["-n", "0", "in.csv"], {"in.csv": WORKED}, status=2),
    Case("version", ["--version"]),
    Case("-o onto NUL", ["-o", "NUL", "in.csv"], {"in.csv": WORKED}, exe_only=True),
    Case("NUL as input", ["NUL"], status=1, exe_only=True),
]


class Result(NamedTuple):
    status: int
    out: bytes
    err: bytes
    files: dict


def snapshot(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes()
            for p in sorted(folder.rglob("*")) if p.is_file()}


def run(command, case, folder, env=None):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in case.files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
    done = subprocess.run(command + case.args, cwd=folder, input=case.stdin, env=env,
                          capture_output=True, timeout=60)
    return Result(done.returncode, done.stdout, done.stderr, snapshot(folder))


def problems(case, exe, linux):
    """What is wrong with the .exe's result, given the Linux one (or None)."""
    found = []
    if exe.status != case.status:
        found.append(f"exit status {exe.status}, expected {case.status}: {exe.err!r}")
    lines = exe.err.count(b"\n")
    if lines != (0 if case.status == 0 else 1):
        found.append(f"{lines} lines on standard error: {exe.err!r}")
    if case.exe_only:
        if exe.out or exe.files != case.files:
            found.append(f"wrote {exe.out[:80]!r}, left {sorted(exe.files)}")
        return found
    if linux.status != case.status:
        found.append(f"Linux program exit status {linux.status}: {linux.err!r}")
    if exe.out != linux.out:
        found.append(f"standard output differs at byte {first_difference(exe.out, linux.out)}")
    if exe.files != linux.files:
        found.append(f"files differ: {sorted(exe.files)} against {sorted(linux.files)}")
    # The system's reason may differ; the program and the file it names may not.
    if exe.err.rpartition(b": ")[0] != linux.err.rpartition(b": ")[0]:
        found.append(f"message {exe.err!r}, on Linux {linux.err!r}")
    return found


def first_difference(a, b):
    return next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))


def console_problems(exe, work, env):
    """A message to a console (Wine's own, on a pseudo-terminal under
    script) must come out as the same text, not as bytes read in the
    console's code page."""
    folder = work / "console"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    command = shlex.join(["wine", exe, JAPANESE_NAME])
    done = subprocess.run(["script", "-qec", command, "typescript"], cwd=folder, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    shown = (folder / "typescript").read_bytes()
    if done.returncode != 1 or f"quorvane-tag: {JAPANESE_NAME}: ".encode() not in shown:
        return [f"message on a console: exit status {done.returncode}, {shown[-160:]!r}"]
    return []


def imported_dlls(objdump, exe):
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True,
                             check=True).stdout
    return {line.split(":", 1)[1].strip().lower()
            for line in listing.splitlines() if "DLL Name:" in line}


def wine_env(work):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(WINEPREFIX=str(work / "wine-prefix"), WINEDEBUG="-all", LC_ALL="C.UTF-8",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def start_wine(env):
    """Makes the prefix once and keeps one wineserver, with Wine's own
    services, for the whole run. The services start here, with nothing to
    inherit: started by a test's run, they would hold its output pipes open."""
    quiet = dict(env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL, timeout=300, check=True)
    try:
        if not Path(env["WINEPREFIX"], "system.reg").exists():
            subprocess.run(["wineboot", "-i"], **quiet)
            subprocess.run(["wineserver", "-w"], **quiet)
        subprocess.run(["wineserver", "-p"], **quiet)
        subprocess.run(["wineboot"], **quiet)
    except (OSError, subprocess.SubprocessError) as error:
        return f"Wine cannot start ({error})"
    return None


def exe_problems(objdump, exe):
    """What can be told of the .exe without running it."""
    found = []
    extra = imported_dlls(objdump, exe) - SYSTEM_DLLS
    if extra:
        found.append(f"imports DLLs that Windows does not have: {sorted(extra)}")
    if "1.00.0002".encode("utf-16-le") not in Path(exe).read_bytes():
        found.append("no version record in the executable")
    return found


def run_problems(exe, linux, work, env):
    found = []
    for case in CASES:
        exe_result = run(["wine", exe], case, work / "exe", env)
        linux_result = None if case.exe_only else run([linux], case, work / "linux")
        found += [f"{case.name}: {p}" for p in problems(case, exe_result, linux_result)]
    return found + console_problems(exe, work, env)


def main(exe, linux, objdump, work):
    work = Path(work).resolve()
    exe, linux = str(Path(exe).resolve()), str(Path(linux).resolve())
    failures = exe_problems(objdump, exe)
    env = wine_env(work)
    cannot_start = start_wine(env)
    if cannot_start and not failures:
        print(f"skipped: {cannot_start}")
        return SKIPPED
    if cannot_start:
        failures.append(cannot_start)
    else:
        try:
            failures += run_problems(exe, linux, work, env)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(CASES)} cases, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
