#!/usr/bin/env python3
"""Installs a build into a temporary prefix with `cmake --install` and checks
the installed tree as a user of it would: both programs run, the desktop
entry and the metainfo validate and agree with each other and with the
installed files, the icons have their sizes, and the manual page renders and
lists the options that `quorvane-tag --help` lists. Then packs the same build
as a Debian package and checks its relations and that lintian finds no error
or warning in it."""

import argparse
import configparser
import glob
import gzip
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from x_display import XDisplay

TITLE = "Quorvane"
ICON_SIZES = (16, 32, 64)
# Packages of the Japanese fonts that the window asks for.
JAPANESE_FONTS = {"fonts-ipafont-gothic", "fonts-noto-cjk", "fonts-vlgothic"}
WAIT_SECONDS = 60  # upper bound only: a slow sanitizer build must still get through

failures = []


def check(condition, what):
    print(("ok     " if condition else "FAILED ") + what)
    if not condition:
        failures.append(what)
    return condition


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_tag_program(prefix, version):
    program = os.path.join(prefix, "bin", "quorvane-tag")
    result = run([program, "--version"])
    check(result.returncode == 0 and result.stdout == f"quorvane-tag {version}\n",
          f"quorvane-tag --version prints 'quorvane-tag {version}'")
    # Bytes, not text: the line ends are part of what is checked.
    result = subprocess.run([program, "-n", "2", "-a", "1=align=right", "-"],
                            input=b"a,b\r\nc\r\n", capture_output=True)
    expected = (b"<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n"
                b"<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>")
    check(result.returncode == 0 and result.stdout == expected,
          "quorvane-tag converts standard input")


def check_window_program(prefix):
    """Starts the program on a private X server, waits for its main window to
    be shown, closes that window as its close box does and expects the
    program to end by itself with status 0."""
    program = os.path.join(prefix, "bin", "quorvane")
    suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
    with XDisplay() as display, tempfile.TemporaryDirectory() as runtime_dir:
        env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=runtime_dir, LSAN_OPTIONS="suppressions=" + suppressions)
        process = subprocess.Popen([program], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True)
        window = None
        deadline = time.monotonic() + WAIT_SECONDS
        while window is None and process.poll() is None and time.monotonic() < deadline:
            time.sleep(0.2)
            window = display.shown_window(TITLE)
        if not check(window is not None, f"quorvane shows a window titled '{TITLE}'"):
            process.kill()
            print(process.communicate()[0])
            return
        print(f"       window {window[1]}x{window[2]} pixels")
        display.close_window(window[0])
        try:
            status = process.wait(WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            status = None
        output = process.communicate()[0]
        if not check(status == 0, "quorvane ends with status 0 when its window is closed"):
            print(f"       status {status}\n{output}")


def read_desktop_entry(path):
    parser = configparser.RawConfigParser(delimiters=("=",), interpolation=None)
    parser.optionxform = str  # keys are case-sensitive
    parser.read(path, encoding="utf-8")
    return parser["Desktop Entry"]


def check_desktop_entry(prefix, app_id):
    path = os.path.join(prefix, "share", "applications", app_id + ".desktop")
    if not check(os.path.isfile(path), f"desktop entry {app_id}.desktop installed"):
        return
    result = run(["desktop-file-validate", path])
    check(result.returncode == 0 and not result.stdout.strip(),
          "desktop-file-validate passes " + result.stdout.strip())
    entry = read_desktop_entry(path)
    check(entry.get("Name") == TITLE and entry.get("Name[ja]") == TITLE, "Name and Name[ja]")
    check(entry.get("Comment[ja]") == "CSVファイルの中身をHTMLのテーブルタグに変換",
          "Comment[ja] is the program's comment")
    check(entry.get("Categories") == "Utility;TextTools;", "Categories")
    check(entry.get("Exec") == "quorvane" and "MimeType" not in entry,
          "Exec takes no file and no MimeType is claimed")
    check(os.access(os.path.join(prefix, "bin", entry.get("Exec", "")), os.X_OK),
          "Exec names an installed program")
    icon = entry.get("Icon", "")
    check(all(os.path.isfile(os.path.join(prefix, "share", "icons", "hicolor", f"{s}x{s}",
                                          "apps", icon + ".png")) for s in ICON_SIZES),
          f"Icon '{icon}' is installed in every size")


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", header[16:24])


def check_icons(prefix):
    for size in ICON_SIZES:
        path = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                            "quorvane.png")
        check(os.path.isfile(path) and png_size(path) == (size, size),
              f"icon {size}x{size} is a PNG of that size")


def check_metainfo(prefix, app_id, version):
    path = os.path.join(prefix, "share", "metainfo", app_id + ".metainfo.xml")
    if not check(os.path.isfile(path), f"metainfo {app_id}.metainfo.xml installed"):
        return
    result = run(["appstreamcli", "validate", "--no-net", path])
    check(result.returncode == 0, "appstreamcli validate --no-net passes")
    if result.returncode != 0:
        print(result.stdout + result.stderr)
    root = ET.parse(path).getroot()
    check(root.findtext("id") == app_id, "metainfo id")
    check(root.findtext("launchable") == app_id + ".desktop", "launchable is the desktop entry")
    releases = [r.get("version") for r in root.iter("release")]
    check(releases[:1] == [version], f"newest release is {version}")


def help_options(text):
    """(short, long) pairs from the option lines of --help."""
    return {(m.group(1) or "", m.group(2))
            for m in re.finditer(r"^ {2,}(?:(-\w), )? *(--[\w-]+)", text, re.M)}


def man_options(text):
    """(short, long) pairs from the item headings of the OPTIONS section."""
    section = re.search(r"^OPTIONS\n(.*?)^\S", text, re.M | re.S)
    body = section.group(1) if section else ""
    return {(m.group(1) or "", m.group(2))
            for m in re.finditer(r"^ {7}(?:(-\w), )?(--[\w-]+)", body, re.M)}


def check_manual_page(prefix, version):
    path = os.path.join(prefix, "share", "man", "man1", "quorvane-tag.1.gz")
    if not check(os.path.isfile(path), "manual page quorvane-tag.1.gz installed"):
        return
    env = dict(os.environ, LC_ALL="C", MANWIDTH="80", MAN_KEEP_FORMATTING="")
    result = run(["man", "-l", path], env=env)
    page = re.sub(r".\x08", "", result.stdout)
    check(result.returncode == 0 and page.startswith("QUORVANE-TAG(1)"),
          "man -l renders the page")
    check(f"Quorvane {version}" in page, f"the page carries version {version}")
    usage = run([os.path.join(prefix, "bin", "quorvane-tag"), "--help"]).stdout
    in_help, in_page = help_options(usage), man_options(page)
    check(len(in_help) >= 6 and in_help == in_page,
          f"the page lists the options of --help: {sorted(in_help)} vs {sorted(in_page)}")


def check_changelog(prefix, version):
    path = os.path.join(prefix, "share", "doc", "quorvane", "changelog.gz")
    if not check(os.path.isfile(path), "Debian changelog installed"):
        return
    with gzip.open(path, "rt", encoding="utf-8") as f:
        newest = re.match(r"quorvane \(([^)]*)\)", f.readline())
    check(newest is not None and newest.group(1) == version,
          f"the newest changelog entry is version {version}")


def relations(field):
    """The relations of a control field, each as the set of its alternatives'
    package names."""
    return [{re.sub(r"\(.*\)", "", alt).strip() for alt in relation.split("|")}
            for relation in field.split(",") if relation.strip()]


def check_package(cpack, build, version, window):
    with tempfile.TemporaryDirectory(prefix="quorvane-package-") as out:
        result = run([cpack, "-G", "DEB", "-B", out,
                      "--config", os.path.join(build, "CPackConfig.cmake")])
        debs = glob.glob(os.path.join(out, "*.deb"))
        if not check(result.returncode == 0 and len(debs) == 1, "cpack builds one .deb"):
            print(result.stdout + result.stderr)
            return
        fields = run(["dpkg-deb", "-f", debs[0], "Version", "Depends", "Recommends"]).stdout
        control = dict(re.findall(r"^(\w+): (.*)$", fields, re.M))
        depends = relations(control.get("Depends", ""))
        check(control.get("Version") == version, f"package version {version}")
        check(any(name.startswith("libicu") for r in depends for name in r),
              "Depends has the libraries dpkg-shlibdeps finds")
        if window:
            check({"qt6-qpa-plugins"} in depends, "Depends on qt6-qpa-plugins")
            check(any("fonts-ipafont-gothic" in r and r <= JAPANESE_FONTS for r in depends),
                  "Depends on a Japanese font: " + control.get("Depends", ""))
            check({"qt6-translations-l10n"} in relations(control.get("Recommends", "")),
                  "Recommends qt6-translations-l10n")
        result = run(["lintian", debs[0]])
        found = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        if not check(result.returncode == 0 and not found, "lintian reports no error or warning"):
            print("\n".join(found) + "\n" + result.stderr)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--app-id")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="quorvane-install-") as prefix:
        result = run([args.cmake, "--install", args.build, "--prefix", prefix])
        if not check(result.returncode == 0, f"cmake --install into {prefix}"):
            print(result.stdout + result.stderr)
            return 1
        check_tag_program(prefix, args.version)
        check_manual_page(prefix, args.version)
        check_changelog(prefix, args.version)
        if args.app_id:
            check_window_program(prefix)
            check_desktop_entry(prefix, args.app_id)
            check_icons(prefix)
            check_metainfo(prefix, args.app_id, args.version)
    check_package(args.cpack, args.build, args.version, args.app_id is not None)
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
