# Runs quorvane.exe under Wine on a private X server (Xvfb), driven by
# story_driver.exe, in the Wine prefix WORK/wine-prefix that every Windows
# test of a run shares. Exits 77 (skipped) when Wine cannot start.
#
#   wine_gui.py prefix WORK                           makes the prefix
#   wine_gui.py story WORK EXE DRIVER LINUX_TAG OBJDUMP   the user's story
#   wine_gui.py installer WORK MSI DRIVER WXS STAGE   upgrade an older version,
#                                                     start, uninstall
#   wine_gui.py pictures WORK EXE DRIVER DOCS         DOCS/windows-main.png and
#                                                     windows-about.png
import os, re, shutil, subprocess, sys, tempfile, time
from pathlib import Path

SKIP = 77
CSV_NAME = "売上表.csv"
CSV = ("品名,単価,数量\r\nりんご,120,3\r\n\"みかん, 大\",80,\"12\"\r\n"
       "①ﾊﾞﾅﾅ,\"言う\"\"こと\"\"\"\r\n表計算\r\n").encode("cp932")
ATTRIBUTE = 'align="right"'
PRODUCT_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


class Failed(Exception):
    pass


def wine_env(work, display=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    # No Mono or Gecko to offer, no menu entries or file types for the desktop.
    env.update(WINEPREFIX=str(work / "wine-prefix"), WINEDEBUG="-all", LC_ALL="C.UTF-8",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    if display:
        env["DISPLAY"] = display
    return env


def make_prefix(work):
    """Creates the prefix once; None, or why Wine cannot start."""
    env = wine_env(work)
    if Path(env["WINEPREFIX"], "system.reg").exists():
        return None
    try:
        for command in (["wineboot", "-i"], ["wineserver", "-w"]):
            subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                           timeout=300, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        return f"Wine cannot start ({error})"
    return None


class Session:
    """Xvfb and a wineserver for the prefix; ends both, and every Wine
    process, when it closes."""

    def __init__(self, work, scratch):
        self.work, self.scratch, self.processes = work, scratch, []
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-dpi", "96",
             "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            number = display.readline().strip()
        if not number:
            raise Failed("Xvfb reported no display")
        self.env = wine_env(work, f":{number}")
        self.boot()

    # Wine's server and services, started here with nothing to inherit:
    # started by a program's run, they would hold its output open.
    def boot(self):
        for command in (["wineserver", "-p"], ["wineboot"]):
            subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120,
                           check=True)

    # Output goes to a file of its own in the scratch folder.
    def start(self, *command):
        log = self.scratch / f"{len(self.processes)}-{Path(str(command[0])).stem}.log"
        with open(log, "wb") as out:
            process = subprocess.Popen(["wine", *map(str, command)], env=self.env,
                                       cwd=self.scratch, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=subprocess.STDOUT)
        process.log = log
        self.processes.append(process)
        return process

    def run(self, *command, timeout=120):
        process = self.start(*command)
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failed(f"{Path(str(command[0])).name} still runs after {timeout} s")
        return process.returncode, process.log.read_text(errors="replace")

    def picture(self, path):
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", str(path)],
                       capture_output=True, timeout=60)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        for process in self.processes + [self.xvfb]:
            if process.poll() is None:
                process.kill()
            process.wait()


def ended(process, timeout=30):
    try:
        process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failed(f"the program still runs {timeout} s after it was told to exit")
    return process.returncode


def drive(session, *driver_command):
    """Runs the driver against the running program; the driver's steps."""
    status, log = session.run(*driver_command)
    print(log, end="")
    if status != 0:
        session.picture(session.scratch / "failure.png")
        raise Failed(f"driver exit status {status}; the screen: {session.scratch / 'failure.png'}")
    return log


# What the program may import: DLLs every Windows has.
WINDOWS_DLLS = {f"{n}.dll" for n in "kernel32 user32 gdi32 comctl32 comdlg32 shell32 ole32 oleaut32 "
                "oleacc advapi32 msvcrt ucrtbase ntdll uxtheme shcore imm32 uuid".split()}
# What the executable must carry: the manifest's requests, the version record.
CARRIED = [b"Microsoft.Windows.Common-Controls", b"PerMonitorV2", b"longPathAware",
           "1.00.0002\0".encode("utf-16-le"), "office ぽるめに\0".encode("utf-16-le")]


def executable_problems(exe, objdump):
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True,
                             check=True).stdout
    dlls = {dll.lower() for dll in re.findall(r"DLL Name: (\S+)", listing)} - WINDOWS_DLLS
    data = exe.read_bytes()
    return ([f"imports DLLs that Windows does not have: {sorted(dlls)}"] if dlls else []) + \
        [f"carries no {text!r}" for text in CARRIED if text not in data]


def story(session, exe, driver, linux_tag, objdump):
    folder = session.scratch
    (folder / CSV_NAME).write_bytes(CSV)
    program = session.start(exe)
    drive(session, driver, "story", CSV_NAME, "無い.csv", ".")
    if (status := ended(program)) != 0:
        raise Failed(f"quorvane.exe exit status {status}")
    want = subprocess.run([linux_tag, "-n", "3", "-a", f"2={ATTRIBUTE}", CSV_NAME], cwd=folder,
                          capture_output=True, check=True).stdout
    box = (folder / "box.txt").read_bytes()
    clipboard = (folder / "clipboard.txt").read_bytes()
    problems = executable_problems(exe, objdump)
    if box != want:
        problems.append(f"the output box holds\n{box.decode()}\nquorvane-tag writes\n"
                        f"{want.decode()}")
    if clipboard != want or b"\r\n" not in clipboard:
        problems.append(f"the clipboard holds {clipboard[:200]!r}")
    if problems:
        raise Failed("\n".join(problems))


def registry(session, key):
    """The values under a key as text, or None when the key is missing."""
    out = session.scratch / "key.reg"
    out.unlink(missing_ok=True)
    status, _ = session.run("reg", "export", key, windows_path(out), "/y")
    return out.read_bytes().decode("utf-16") if status == 0 and out.exists() else None


def installed_files(prefix):
    drive_c = prefix / "drive_c"
    files = sorted(p.name for p in (drive_c / "Program Files" / "Quorvane").glob("*"))
    links = sorted(str(p.relative_to(drive_c)) for p in drive_c.rglob("Quorvane.lnk"))
    return files, links


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def entries(session):
    """The installed programs' entries of Quorvane: (product code, version,
    publisher)."""
    keys = (registry(session, PRODUCT_KEY) or "").split("\r\n\r\n")
    value = lambda key, name: (re.search(f'"{name}"="([^"]*)"', key) or [None, None])[1]
    return [(re.search(r"\\(\{[^}]*\})\]", key)[1], value(key, "DisplayVersion"),
             value(key, "Publisher")) for key in keys if '"DisplayName"="Quorvane"' in key]


def older_msi(session, wxs, stage):
    """The installer as an older version would build it."""
    older = session.scratch / "older.msi"
    text = re.sub(r'(<Product [^>]*Version=")[^"]*"', r'\g<1>0.9.0"', wxs.read_text())
    (session.scratch / "older.wxs").write_text(text)
    subprocess.run(["wixl", "-a", "x64", "-D", "WindowProgram=quorvane.exe", "-D",
                    "TagProgram=quorvane-tag.exe", "-o", older, session.scratch / "older.wxs"],
                   cwd=stage, check=True, capture_output=True, timeout=120)
    return older


def installer(session, msi, driver, wxs, stage):
    prefix = Path(session.env["WINEPREFIX"])
    version = re.search(r'<Product [^>]*Version="([^"]*)"', wxs.read_text())[1]
    problems = []
    for product, _, _ in entries(session):  # left by an earlier run that failed
        session.run("msiexec", "/x", product, "/qn")
    try:
        status, log = session.run("msiexec", "/i", windows_path(older_msi(session, wxs, stage)), "/qn")
        if status != 0 or [v for _, v, _ in entries(session)] != ["0.9.0"]:
            raise Failed(f"the older version: status {status}, entries {entries(session)}\n{log}")
        status, log = session.run("msiexec", "/i", windows_path(msi), "/qn")
        files, links = installed_files(prefix)
        if status != 0 or files != ["quorvane-tag.exe", "quorvane.exe"] or len(links) != 1:
            raise Failed(f"msiexec /i: status {status}, files {files}, shortcuts {links}\n{log}")
        if (found := [e[1:] for e in entries(session)]) != [(version, "office ぽるめに")]:
            problems.append(f"the installed programs list {found} after the upgrade")
        for name in files:
            if (prefix / "drive_c" / "Program Files" / "Quorvane" / name).read_bytes() != \
                    (stage / name).read_bytes():
                problems.append(f"the installed {name} is not the one built")
        link = (prefix / "drive_c" / links[0]).read_bytes()
        if not any(r"Quorvane\quorvane.exe".encode(code) in link for code in ("latin-1", "utf-16-le")):
            problems.append(f"the shortcut {links[0]} does not lead to Quorvane\\quorvane.exe")
        program = session.start(r"C:\Program Files\Quorvane\quorvane.exe")
        drive(session, driver, "close")
        if (status := ended(program)) != 0:
            problems.append(f"the installed quorvane.exe ends with status {status}")
    finally:
        status, log = session.run("msiexec", "/x", windows_path(msi), "/qn")
    files, links = installed_files(prefix)
    left = (prefix / "drive_c" / "Program Files" / "Quorvane").exists()
    if status != 0 or files or links or left or entries(session):
        problems.append(f"msiexec /x: status {status}, left {files} {links}"
                        f"{' and the folder' if left else ''}, entries {entries(session)}\n{log}")
    if problems:
        raise Failed("\n".join(problems))


# For the pictures: Japanese glyphs from the IPA fonts behind Wine's own
# faces, and Wine's virtual desktop, which draws Windows's window frames.
PICTURE_SETTINGS = [
    (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", "ＭＳ ゴシック",
     "REG_SZ", "IPAGothic"),
    (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink", "Tahoma",
     "REG_MULTI_SZ", "ipagp.ttf,IPAPGothic"),
    (r"HKCU\Software\Wine\Explorer", "Desktop", "REG_SZ", "Default"),
    (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "1040x720"),
]


def pictures(session, exe, driver, docs):
    for key, name, kind, value in PICTURE_SETTINGS:
        session.run("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")
    subprocess.run(["wineserver", "-k"], env=session.env, capture_output=True, timeout=60)
    session.boot()  # the desktop anew, with the settings
    (session.scratch / CSV_NAME).write_bytes(CSV)
    session.start(exe)
    log = drive(session, driver, "pose", CSV_NAME)
    time.sleep(2)  # the last paint of both windows; a picture, not a test
    shot = session.scratch / "screen.png"
    session.picture(shot)
    for name, x, y, width, height in re.findall(r"^window (\w+) (-?\d+) (-?\d+) (\d+) (\d+)", log, re.M):
        out = docs / f"windows-{name}.png"
        subprocess.run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage", out],
                       check=True, timeout=60)
        print(f"wrote {out}")


def main(mode, work, *args):
    work = Path(work).resolve()
    work.mkdir(parents=True, exist_ok=True)
    if cannot_start := make_prefix(work):
        print(f"skipped: {cannot_start}")
        return SKIP
    if mode == "prefix":
        return 0
    scratch = Path(tempfile.mkdtemp(prefix=f"{mode}-", dir=work))
    started = time.monotonic()
    session = None
    try:
        session = Session(work, scratch)
        paths = [Path(arg).resolve() for arg in args]
        if mode == "story":
            story(session, *paths)
        elif mode == "installer":
            installer(session, *paths)
        elif mode == "pictures":
            pictures(session, *paths)
        else:
            raise Failed(f"no mode {mode}")
    except (Failed, subprocess.SubprocessError, OSError) as failure:
        print(f"FAILED {mode}: {failure}")
        return 1
    finally:
        if session:
            session.close()
    print(f"{mode}: done in {time.monotonic() - started:.0f} s")
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
