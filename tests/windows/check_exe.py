# Runs quorvane-tag.exe under Wine, in a private prefix inside the build
# folder, and the Linux quorvane-tag on the same cases: both must exit alike,
# write the same bytes and leave the same files. Cases that name Windows
# devices run on the .exe only. Exits 77 (skipped) when Wine cannot start.
# Usage: check_exe.py EXE LINUX_PROGRAM OBJDUMP WORK_DIR
import shlex, shutil, subprocess, sys
from pathlib import Path

from wine_gui import VERSION_RECORD, executable_problems, quiet, wine_env

SYSTEM_DLLS = {f"{n}.dll" for n in "kernel32 msvcrt user32 advapi32 ntdll shell32 ucrtbase".split()}
LEADS = [*range(0x81, 0xA0), *range(0xE0, 0xFD)]
PAIRS = [bytes([lead, trail]) for lead in LEADS for trail in range(0x40, 0xFD)]
CP932 = b"\r\n".join(b",".join(PAIRS[i:i + 16]) for i in range(0, len(PAIRS), 16))
SINGLE = b",".join(bytes([b]) for b in range(256) if b != ord('"'))
NAME = "日本語の表.csv"
WORKED = {"in.csv": b"a,b\r\nc\r\n"}
# (name, arguments, files, standard input, exit status, .exe only)
CASES = [
    ("every code page 932 pair", ["-n", "16", "-e", "cp932", "in.csv"], {"in.csv": CP932}),
    ("every single byte", ["-n", "16", "-e", "cp932", "in.csv"], {"in.csv": SINGLE}),
    ("Japanese file name", ["-n", "2", NAME], {NAME: CP932}),
    ("a document in code page 932 of every pair",
     ["-n", "16", "-e", "cp932", "--document", "--output-encoding", "cp932", NAME], {NAME: CP932}),
    ("code page 932 output of characters it lacks", ["-n", "3", "--output-encoding=cp932", "-"],
     {}, "😀,¥,\ufffd\r\n①,\uf86f,∵\r\n\x7f\x1a\x1c".encode()),
    ("pipes", ["-n", "2", "-"], {}, b"a,\x1a\r\nb\r\n\r\n"),
    ("-o replaces a file", ["-n", "2", "-o", "out.html", "in.csv"], {**WORKED, "out.html": b"old"}),
    ("-o writes a new file", ["-o", NAME + ".html", "in.csv"], WORKED),
    ("missing file", ["-o", "out.html", "missing.csv"], {"out.html": b"old"}, b"", 1),
    ("folder as input", ["sub"], {"sub/keep": b""}, b"", 1),
    ("folder as output", ["-o", "sub", "in.csv"], {**WORKED, "sub/keep": b""}, b"", 1),
    ("-o into a missing folder", ["-o", "nodir/out.html", "in.csv"], WORKED, b"", 1),
    ("usage error", ["-n", "0", "in.csv"], WORKED, b"", 2),
    ("-o onto NUL", ["-o", "NUL", "in.csv"], WORKED, b"", 0, True),
    ("NUL as input", ["NUL"], {}, b"", 1, True),
]


# Exit status, output, message and the files left in a fresh folder.
def run(command, args, files, stdin, folder, env):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
    done = subprocess.run(command + args, cwd=folder, input=stdin, env=env,
                          capture_output=True, timeout=60)
    left = {p.relative_to(folder).as_posix(): p.read_bytes()
            for p in sorted(folder.rglob("*")) if p.is_file()}
    return done.returncode, done.stdout, done.stderr, left


def problems(case, exe, linux, work, env):
    name, args, files, stdin, status, exe_only = (*case, *(b"", 0, False)[len(case) - 3:])
    got = run(["wine", exe], args, files, stdin, work / "exe", env)
    # A Windows device: no output, the files as they were.
    want = (status, b"", got[2], files) if exe_only else run(
        [linux], args, files, stdin, work / "linux", env)
    found = []
    if status != got[0] or status != want[0] or got[2].count(b"\n") != (status != 0):
        found.append(f"exit status {got[0]} (Linux {want[0]}), expected {status}: {got[2]!r}")
    if got[1] != want[1] or got[3] != want[3]:
        found.append(f"output of {len(got[1])} bytes, files {sorted(got[3])}; "
                     f"expected {len(want[1])} bytes, files {sorted(want[3])}")
    if got[2].rpartition(b": ")[0] != want[2].rpartition(b": ")[0]:
        found.append(f"message {got[2]!r}, on Linux {want[2]!r}")
    return [f"{name}: {p}" for p in found]


# A message to a console (Wine's own, on a pseudo-terminal under script) comes
# out as the same text, not as bytes read in the console's code page; the
# .exe imports only DLLs Windows has and carries its version record.
def exe_problems(exe, objdump, work, env):
    folder = work / "console"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    done = subprocess.run(["script", "-qec", shlex.join(["wine", exe, NAME]), "typescript"],
                          cwd=folder, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=60)
    shown = (folder / "typescript").read_bytes()
    found = [] if done.returncode == 1 and f"quorvane-tag: {NAME}: ".encode() in shown else [
        f"message on a console: exit status {done.returncode}, {shown[-160:]!r}"]
    return found + executable_problems(exe, objdump, SYSTEM_DLLS, VERSION_RECORD)


def main(exe, linux, objdump, work):
    work, exe, linux = Path(work).resolve(), str(Path(exe).resolve()), str(Path(linux).resolve())
    env = wine_env(work)
    # One wineserver with Wine's services, started with nothing to inherit:
    # started by a test's run, they would hold its output pipes open.
    try:
        for command in (["wineserver", "-p"], ["wineboot"]):
            quiet(command, env)
    except (OSError, subprocess.SubprocessError) as error:
        print(f"skipped: Wine cannot start ({error})")
        return 77
    try:
        failures = [p for case in CASES for p in problems(case, exe, linux, work, env)]
        failures += exe_problems(exe, objdump, work, env)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(CASES)} cases, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
