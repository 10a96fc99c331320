# Runs quorvane.exe under Wine on a private X server (Xvfb), driven by
# story_driver.exe, in the Wine prefix WORK/wine-prefix that the Windows tests
# of a run share. Exits 77 (skipped) when Wine cannot start.
#
#   wine_gui.py prefix WORK                                makes the prefix
#   wine_gui.py story WORK EXE DRIVER LINUX_TAG OBJDUMP    the user's story
#   wine_gui.py keys WORK EXE DRIVER                       the keyboard story
#   wine_gui.py options WORK EXE DRIVER LINUX_TAG          the options story
#   wine_gui.py installer WORK MSI DRIVER WXS STAGE        upgrade of an older
#       version (WXS built in STAGE), the program started, uninstall
import os, re, shutil, subprocess, sys, tempfile, time
from pathlib import Path

CSV_NAME = "売上表.csv"
CSV = ("品名,単価,数量\r\nりんご,120,3\r\n\"みかん, 大\",80,\"12\"\r\n"
       "①ﾊﾞﾅﾅ,\"言う\"\"こと\"\"\"\r\n表計算\r\n").encode("cp932")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# What the window program may import: DLLs every Windows has. What the
# programs carry: the version record (its Japanese text read as UTF-8 by
# windres), and in the window program the manifest's requests.
WINDOWS_DLLS = {f"{n}.dll" for n in "kernel32 user32 gdi32 comctl32 comdlg32 shell32 ole32 "
                "oleaut32 oleacc advapi32 msvcrt ucrtbase ntdll uxtheme shcore imm32".split()}
VERSION_RECORD = [f"{text}\0".encode("utf-16-le") for text in ("1.00.0002", "office ぽるめに")]
MANIFEST = [b"Microsoft.Windows.Common-Controls", b"PerMonitorV2", b"longPathAware"]


class Failed(Exception):
    pass


def wine_env(work, display=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    # No Mono or Gecko to offer, no menu entries or file types for the desktop.
    env.update(WINEPREFIX=str(work / "wine-prefix"), WINEDEBUG="-all", LC_ALL="C.UTF-8",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env | ({"DISPLAY": display} if display else {})


# The executable imports no DLL but those given and carries the texts.
def executable_problems(exe, objdump, dlls, texts):
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True,
                             check=True).stdout
    found = {dll.lower() for dll in re.findall(r"DLL Name: (\S+)", listing)} - dlls
    return ([f"imports DLLs that Windows does not have: {sorted(found)}"] if found else []) + \
        [f"carries no {text!r}" for text in texts if text not in Path(exe).read_bytes()]


def quiet(command, env, **kwargs):
    subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300, check=True, **kwargs)


# Xvfb and Wine for the prefix; closing ends both and every program.
class Session:
    def __init__(self, work, scratch):
        self.scratch, self.processes = scratch, []
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                      "1280x1024x24", "-nolisten", "tcp"], pass_fds=(write,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            self.env = wine_env(work, ":" + display.readline().strip())
        self.boot()

    def boot(self):
        # Wine's server and services, started with nothing to inherit: started
        # by a program's run, they would hold its output open.
        for command in (["wineserver", "-p"], ["wineboot"]):
            quiet(command, self.env)

    # Starts a program in the scratch folder, its output in a file.
    def start(self, *command):
        log = self.scratch / f"{len(self.processes)}.log"
        with open(log, "wb") as out:
            process = subprocess.Popen(["wine", *map(str, command)], env=self.env,
                                       cwd=self.scratch, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=subprocess.STDOUT)
        process.log = log
        self.processes.append(process)
        return process

    # A window manager, as on a desktop: it draws the frames with their
    # close boxes, switches windows on Alt+Tab, and without one Wine waits
    # seconds for each window it closes.
    def window_manager(self):
        self.processes.append(subprocess.Popen(
            ["openbox", "--sm-disable"], env=self.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    # xdotool on this X server: keys and clicks as the user makes them.
    def x(self, *command):
        return subprocess.run(["xdotool", *command], env=self.env, capture_output=True,
                              text=True, timeout=60, check=True).stdout.strip()

    def run(self, *command, timeout=120):
        process = self.start(*command)
        return ended(process, timeout), process.log.read_text(errors="replace")

    def picture(self, path):
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path],
                       capture_output=True, timeout=60)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        for process in self.processes + [self.xvfb]:
            process.kill()
            process.wait()


def ended(process, timeout=30):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failed(f"{process.args[1]} still runs after {timeout} s")


# Runs the driver against the running program; returns its steps.
def drive(session, *driver_command):
    status, log = session.run(*driver_command)
    print(log, end="")
    if status != 0:
        session.picture(session.scratch / "failure.png")
        raise Failed(f"driver exit status {status}; the screen: {session.scratch}/failure.png")
    return log


def story(session, exe, driver, linux_tag, objdump):
    (session.scratch / CSV_NAME).write_bytes(CSV)
    program = session.start(exe)
    drive(session, driver, "story", CSV_NAME)
    problems = [f"quorvane.exe exit status {status}"] if (status := ended(program)) else []
    want = subprocess.run([linux_tag, "-n", "3", "-a", '2=align="right"', CSV_NAME],
                          cwd=session.scratch, capture_output=True, check=True).stdout
    if (got := (session.scratch / "box.txt").read_bytes()) != want or b"\r\n" not in got:
        problems.append(f"the box holds\n{got.decode()}\nquorvane-tag writes\n{want.decode()}")
    problems += executable_problems(exe, objdump, WINDOWS_DLLS, VERSION_RECORD + MANIFEST)
    if problems:
        raise Failed("\n".join(problems))


# An action that waits for a dialog to be up and in front before the keys
# meant for it are pressed.
DIALOG_UP = "await:dialogs=1 active=dialog"

# The main window from the keyboard, keys and clicks going through the X
# server into Wine: each row's actions (xdotool's key names; "type:" text is
# typed; "await:" what the driver must find before going on; a click on the
# close box or the output box; the clipboard held by
# another program), then what the driver must find.
KEY_STORY = [
    ("the count's spinner has the focus at start", [], "main=1 focus=main.UpDown1"),
    ("Up on the count spinner, focused at start", ["Up", "Up"],
     "count=3 focus=main.UpDown1"),
    ("Space presses 決定, the focus goes on", ["Tab", "space"],
     "rows=|| focus=main.CmdDataCntCancel"),
    ("Up on the field spinner; the editor takes the focus", ["Tab", "Up"],
     "field=2 focus=main.TxtStyle"),
    ("Enter and Esc in the editor press nothing", ["a", "Return", "Escape", "type:b"],
     "style=ab rows=|| dialogs=0 abouts=0 main=1 focus=main.TxtStyle"),
    ("Enter presses the focused button", ["Tab", "Return"],
     "rows=|ab| focus=main.CmdHanei"),
    ("Space opens the file dialog", ["Tab", "space"], "dialogs=1 active=dialog title=Open"),
    ("Esc closes it: the focus is back", ["Escape"],
     "dialogs=0 active=main focus=main.CmdFileOpen"),
    ("a file converted: the focus is back", ["space", DIALOG_UP, "type:table.csv", "Return"],
     "dialogs=0 table=1 active=main focus=main.CmdFileOpen"),
    ("Ctrl+C in the output box while another program holds the clipboard",
     ["click box", "ctrl+a", "hold clipboard", "ctrl+c"], "dialogs=1 title=ぽるめに"),
    ("Enter closes the message: the focus is back", ["Return"],
     "dialogs=0 active=main focus=main.TxtTag"),
    ("About from the menu's access key", ["alt+v"], "abouts=1 active=about focus=about.cmdOK"),
    ("Alt+Tab back: the focus is back", ["alt+Tab"],
     "abouts=1 active=main focus=main.TxtTag"),
    ("About again: the one window comes back to the front", ["alt+v"],
     "abouts=1 active=about focus=about.cmdOK"),
    ("the close box ends the main window alone", ["close box"],
     "main=0 abouts=1 active=about focus=about.cmdOK"),
]


def keys(session, exe, driver):
    (session.scratch / "table.csv").write_bytes(b"a,b\r\nc,d\r\n")
    session.window_manager()
    program, holders = play(session, exe, driver, "keys", KEY_STORY)
    print("keys: OK on About ends the program")
    session.x("key", "Return")
    if status := ended(program):
        raise Failed(f"quorvane.exe exit status {status}")
    if any(ended(holder) for holder in holders):
        raise Failed("the driver holding the clipboard failed")


# Starts the program and plays a story's steps; returns the program running
# at the end and the drivers started to hold the clipboard.
def play(session, exe, driver, name, story):
    program, holders = session.start(exe), []
    for what, actions, wanted in story:
        print(f"{name}: {what}")
        for action in actions:
            program = act(session, action, exe, driver, program, holders)
        drive(session, driver, "expect", *wanted.split())
        # The active window's title bar is drawn active: the window manager
        # gave it the focus too.
        if "active=main" in wanted and (title := session.x("getactivewindow",
                                                           "getwindowname")) != "Quorvane":
            raise Failed(f"{what}: the window manager has {title!r} active")
    return program, holders


SETTINGS_KEY = r"HKCU\Software\Quorvane"
BROWSER_KEY = r"HKCU\Software\Wine\WineBrowser"
# HTML files first of a type with no handler, then Wine's winebrowser's,
# whose browser is a recorder of ours. (Wine's file types are the machine's
# only: it reads none of HKCU\Software\Classes.)
HTML_KEY = r"HKLM\Software\Classes\.html"
PAGE_TYPE = r"HKLM\Software\Classes\QuorvaneTestPage"
WINEBROWSER = r'@="\"C:\\windows\\system32\\winebrowser.exe\" \"%1\""'
# UTF-8 without a mark, tab-separated, with what escaping and code page 932
# references change.
OPTIONS_TSV = "品目\t備考\r\nA&B\t<b>😀</b>\r\ncafé\t\"x\"\r\n".encode()
OPTION_FLAGS = ["--header", "--escape", "-d", "tab", "-e", "utf-8", "--table-attr", 'border="1"']
# Values the program must not take: of other types (a REG_BINARY and a
# REG_EXPAND_SZ holding what would be taken as text), too long, unknown.
DAMAGED = ['"header"=dword:00000001',
           '"escape"=hex:' + ",".join(f"{b:02x}" for b in "true\0".encode("utf-16-le")),
           '"delimiter"=hex(2):' + ",".join(f"{b:02x}" for b in "tab\0".encode("utf-16-le")),
           '"tableAttribute"="' + "x" * 40000 + '"', '"colour"="blue"']
DEFAULT_CHECKS = "checks=mnuComma,mnuAuto,mnuSaveUtf8"
CHOSEN_CHECKS = "checks=mnuHeader,mnuEscape,mnuTab,mnuReadUtf8"
# The options story's steps, as KEY_STORY's; "path:NAME": the full name of
# the file NAME in the scratch folder typed; "clipboard NAME": the driver
# writes the clipboard into NAME; "handler": HTML files get a handler;
# "page": the handler's copy of the page is there; "restart": exit from the
# menu and start again.
OPTIONS_STORY = [
    ("damaged values give the defaults", [], f"main=1 {DEFAULT_CHECKS}"),
    ("header, escaping, tab, UTF-8 by the access keys",
     ["alt+t", "h", "alt+t", "e", "alt+t", "d", "t", "alt+t", "n", "u"],
     f"{CHOSEN_CHECKS},mnuSaveUtf8 active=main"),
    ("the attribute's dialog, empty", ["alt+t", "a"],
     "dialogs=1 active=dialog title=tableタグの属性 focus=dialog.TxtTableAttr attr="),
    ("typed, Enter is OK", ['type:border="1"', "Return"], "dialogs=0 active=main"),
    ("a conversion from the menu", ["alt+f", "o", DIALOG_UP, "path:options.tsv", "Return"],
     "dialogs=0 table=1 active=main"),
    ("copied from the menu", ["alt+e", "c", "clipboard clipboard.txt"], "dialogs=0"),
    ("saved under the name suggested", ["alt+f", "a", DIALOG_UP, "Return"],
     "dialogs=0 active=main"),
    ("no handler for HTML files: the one message", ["alt+f", "b"], "dialogs=1 title=ぽるめに"),
    ("a page shown by winebrowser", ["Return", "handler", "alt+f", "b", "page"],
     "dialogs=0 active=main"),
    ("remembered after a restart", ["restart"], f"main=1 {CHOSEN_CHECKS},mnuSaveUtf8"),
    ("the attribute too", ["alt+t", "a"], 'dialogs=1 attr=border="1"'),
    ("Esc cancels it", ["Escape"], "dialogs=0 active=main"),
]


def options(session, exe, driver, linux_tag):
    scratch = session.scratch
    (scratch / "options.tsv").write_bytes(OPTIONS_TSV)
    set_registry(session, {SETTINGS_KEY: DAMAGED, HTML_KEY: ['@="QuorvaneNoHandler"'],
                           BROWSER_KEY: [f'"Browsers"="{page_recorder(scratch)}"']})
    session.window_manager()
    try:
        program, _ = play(session, exe, driver, "options", OPTIONS_STORY)
        exit_program(session, program)
    finally:
        for key in (SETTINGS_KEY, BROWSER_KEY, HTML_KEY, PAGE_TYPE):
            session.run("reg", "delete", key, "/f")
    tag = lambda *flags: subprocess.run([linux_tag, *OPTION_FLAGS, *flags, "options.tsv"],
                                        cwd=scratch, capture_output=True, check=True).stdout
    want = {"clipboard.txt": tag(), "options.html": tag(), "page.html": tag("--document")}
    problems = [f"{name} holds\n{got}\nquorvane-tag writes\n{wanted}"
                for name, wanted in want.items()
                if (got := (scratch / name).read_bytes()) != wanted]
    if problems:
        raise Failed("\n".join(problems))


# Carries out one action of a story; returns the program running.
def act(session, action, exe, driver, program, holders):
    kind, _, text = action.partition(":")
    if action == "restart":
        exit_program(session, program)
        check_remembered(session)
        return session.start(exe)
    if action == "close box":
        click_close_box(session)
    elif action == "click box":
        at = drive(session, driver, "expect", "main=1").split("box=")[1].split()[0]
        session.x("mousemove", *at.split(","), "click", "1")
    elif action == "hold clipboard":
        holders.append(hold_clipboard(session, driver))
    elif action == "handler":
        set_registry(session, {HTML_KEY: ['@="QuorvaneTestPage"'],
                               PAGE_TYPE + r"\shell\open\command": [WINEBROWSER]})
    elif action == "page":
        wait_for_file(session.scratch / "page.html")
    elif action.startswith("clipboard "):
        drive(session, driver, *action.split())
    elif kind == "await":
        drive(session, driver, "expect", *text.split())
    elif kind in ("path", "type"):
        path = windows_path(session.scratch / text)
        session.x("type", "--delay", "20", path if kind == "path" else text)
    else:
        session.x("key", action)
    return program


# The browser winebrowser starts: a program that keeps a copy of the page it
# is given (a file: URL) as page.html in the scratch folder.
def page_recorder(scratch):
    recorder = scratch / "record-page"
    recorder.write_text(f"#!{sys.executable}\nimport os, shutil, sys, urllib.parse\n"
                        "page = urllib.parse.unquote(urllib.parse.urlparse(sys.argv[1]).path)\n"
                        f"shutil.copyfile(page, {str(scratch / 'page.part')!r})\n"
                        f"os.replace({str(scratch / 'page.part')!r}, "
                        f"{str(scratch / 'page.html')!r})\n")
    recorder.chmod(0o755)
    return recorder


ROOTS = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE"}


# Replaces the keys with the values given, in .reg file lines.
def set_registry(session, keys):
    lines = ["Windows Registry Editor Version 5.00"]
    for key, values in keys.items():
        session.run("reg", "delete", key, "/f")
        root, path = key.split("\\", 1)
        lines += ["", f"[{ROOTS[root]}\\{path}]", *values]
    file = session.scratch / "settings.reg"
    file.write_bytes("\r\n".join(lines + [""]).encode("utf-16"))
    status, log = session.run("reg", "import", windows_path(file))
    if status:
        raise Failed(f"reg import: status {status}\n{log}")


# Exit from the menu; the program must end with status 0.
def exit_program(session, program):
    session.x("key", "alt+f", "x")
    if status := ended(program):
        raise Failed(f"quorvane.exe exit status {status}")


# The options are REG_SZ values of the settings key; the value the program
# does not know is left alone.
def check_remembered(session):
    out = session.scratch / "remembered.reg"
    session.run("reg", "export", SETTINGS_KEY, windows_path(out), "/y")
    found = dict(re.findall(r'^"([^"]+)"=([^\r\n]*)', out.read_bytes().decode("utf-16"), re.M))
    folder = windows_path(session.scratch).replace("\\", "\\\\")
    wanted = {"header": '"true"', "escape": '"true"', "delimiter": '"tab"',
              "encoding": '"utf-8"', "tableAttribute": r'"border=\"1\""',
              "lastFolder": f'"{folder}"', "colour": '"blue"'}
    if found != wanted:
        raise Failed(f"the settings key holds {found}, not {wanted}")


def wait_for_file(path, timeout=60):
    deadline = time.monotonic() + timeout
    while not path.exists():
        if time.monotonic() > deadline:
            raise Failed(f"no {path.name} after {timeout} s")
        time.sleep(0.05)


# Starts the driver holding the clipboard; returns once it holds it.
def hold_clipboard(session, driver):
    holder = session.start(driver, "hold-clipboard")
    deadline = time.monotonic() + 60
    while "holding" not in holder.log.read_text(errors="replace"):
        if holder.poll() is not None or time.monotonic() > deadline:
            raise Failed(f"no hold on the clipboard: {holder.log.read_text(errors='replace')}")
        time.sleep(0.05)
    return holder


# Clicks the close box at the right end of the main window's title bar,
# which the window manager draws above the window.
def click_close_box(session):
    window = session.x("search", "--name", "^Quorvane$").split()[0]
    info = subprocess.run(["xwininfo", "-id", window], env=session.env, capture_output=True,
                          text=True, check=True).stdout
    left, top, width = (int(re.search(rf"{name}:\s+(\d+)", info)[1]) for name in
                        ("Absolute upper-left X", "Absolute upper-left Y", "Width"))
    extents = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], env=session.env,
                             capture_output=True, text=True, check=True).stdout
    title = int(re.findall(r"\d+", extents.split("=")[1])[2])
    session.x("mousemove", str(left + width - title // 2), str(top - title // 2), "click", "1")


# Quorvane's entries among the installed programs: (product code, version,
# publisher).
def entries(session):
    out = session.scratch / "key.reg"
    session.run("reg", "export", UNINSTALL_KEY, windows_path(out), "/y")
    keys = out.read_bytes().decode("utf-16").split("\r\n\r\n") if out.exists() else []
    value = lambda key, name: (re.search(f'"{name}"="([^"]*)"', key) or [None, None])[1]
    return [(re.search(r"(\{[^}]*\})\]", key)[1], value(key, "DisplayVersion"),
             value(key, "Publisher")) for key in keys if '"DisplayName"="Quorvane"' in key]


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


# The installed programs and the Start menu shortcuts.
def installed(prefix):
    drive_c = prefix / "drive_c"
    return (sorted(p.name for p in (drive_c / "Program Files" / "Quorvane").glob("*")),
            sorted(drive_c.rglob("Quorvane.lnk")))


def installer(session, msi, driver, wxs, stage):
    prefix = Path(session.env["WINEPREFIX"])
    version = re.search(r'<Product [^>]*Version="([^"]*)"', wxs.read_text())[1]
    older = session.scratch / "older.wxs"
    older.write_text(re.sub(r'(<Product [^>]*Version=")[^"]*', r"\g<1>0.9.0", wxs.read_text()))
    subprocess.run(["wixl", "-a", "x64", "-D", "WindowProgram=quorvane.exe", "-D",
                    "TagProgram=quorvane-tag.exe", "-o", older.with_suffix(".msi"), older],
                   cwd=stage, check=True, capture_output=True, timeout=120)
    for product, _, _ in entries(session):  # left by an earlier run that failed
        session.run("msiexec", "/x", product, "/qn")
    problems = []
    try:
        status, log = session.run("msiexec", "/i", windows_path(older.with_suffix(".msi")), "/qn")
        if status or [v for _, v, _ in entries(session)] != ["0.9.0"]:
            raise Failed(f"the older version: status {status}, entries {entries(session)}\n{log}")
        status, log = session.run("msiexec", "/i", windows_path(msi), "/qn")
        files, links = installed(prefix)
        if status or files != ["quorvane-tag.exe", "quorvane.exe"] or len(links) != 1:
            raise Failed(f"msiexec /i: status {status}, files {files}, shortcuts {links}\n{log}")
        if (found := [e[1:] for e in entries(session)]) != [(version, "office ぽるめに")]:
            problems.append(f"the installed programs list {found} after the upgrade")
        problems += [f"the installed {name} is not the one built" for name in files if
                     (prefix / "drive_c/Program Files/Quorvane" / name).read_bytes() !=
                     (stage / name).read_bytes()]
        if not any(r"Quorvane\quorvane.exe".encode(code) in links[0].read_bytes()
                   for code in ("latin-1", "utf-16-le")):
            problems.append(f"the shortcut {links[0]} does not lead to Quorvane\\quorvane.exe")
        program = session.start(r"C:\Program Files\Quorvane\quorvane.exe")
        drive(session, driver, "close")
        if status := ended(program):
            problems.append(f"the installed quorvane.exe ends with status {status}")
    finally:
        status, log = session.run("msiexec", "/x", windows_path(msi), "/qn")
    if status or installed(prefix) != ([], []) or entries(session) or \
            (prefix / "drive_c/Program Files/Quorvane").exists():
        problems.append(f"msiexec /x: status {status}, left {installed(prefix)}, "
                        f"entries {entries(session)}\n{log}")
    if problems:
        raise Failed("\n".join(problems))


def main(mode, work, *args,
         modes={"story": story, "keys": keys, "options": options, "installer": installer}):
    work = Path(work).resolve()
    env = wine_env(work)
    try:  # the prefix, made once
        if not Path(env["WINEPREFIX"], "system.reg").exists():
            work.mkdir(parents=True, exist_ok=True)
            quiet(["wineboot", "-i"], env)
            quiet(["wineserver", "-w"], env)
    except (OSError, subprocess.SubprocessError) as error:
        print(f"skipped: Wine cannot start ({error})")
        return 77
    if mode == "prefix":
        return 0
    scratch = Path(tempfile.mkdtemp(prefix=f"{mode}-", dir=work))
    started, session = time.monotonic(), None
    try:
        session = Session(work, scratch)
        modes[mode](session, *[Path(arg).resolve() for arg in args])
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
