#!/usr/bin/env python3
# Installs a build into a temporary prefix with `cmake --install` and checks
# the installed tree as its user would: both programs run and convert, the
# window opens and closes, the desktop entry and the metainfo validate and
# name installed files, the manual page renders with the options of --help.
# Then packs the build as a Debian package and checks its relations and that
# lintian finds no error or warning in it.
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
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
failures = []


def check(condition, what, details=""):
    print(("ok     " if condition else "FAILED ") + what)
    if not condition:
        failures.append(what)
        print(details)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_tag_program(bin_dir, version):
    program = os.path.join(bin_dir, "quorvane-tag")
    result = run([program, "--version"])
    check(result.stdout == f"quorvane-tag {version}\n", "quorvane-tag --version", result.stderr)
    result = subprocess.run([program, "-n", "2", "-a", "1=align=right", "-"],
                            input=b"a,b\r\nc\r\n", capture_output=True)
    expected = (b"<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n"
                b"<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>")
    check(result.returncode == 0 and result.stdout == expected,
          "quorvane-tag converts standard input", result)


def check_desktop_files(prefix, app_id, version):
    share = os.path.join(prefix, "share")
    desktop = os.path.join(share, "applications", app_id + ".desktop")
    result = run(["desktop-file-validate", desktop])
    check(result.returncode == 0 and not result.stdout, "desktop-file-validate", result)
    parser = configparser.RawConfigParser(delimiters=("=",), interpolation=None)
    parser.optionxform = str
    parser.read(desktop, encoding="utf-8")
    entry = parser["Desktop Entry"] if parser.has_section("Desktop Entry") else {}
    check(os.access(os.path.join(prefix, "bin", entry.get("Exec", "-")), os.X_OK),
          "Exec names an installed program")
    for size in (16, 32, 64):
        path = os.path.join(share, "icons", "hicolor", f"{size}x{size}", "apps",
                            entry.get("Icon", "-") + ".png")
        header = open(path, "rb").read(24) if os.path.isfile(path) else b""
        check(header[:16] == b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"
              and struct.unpack(">II", header[16:]) == (size, size), f"Icon in {size}x{size}")
    metainfo = os.path.join(share, "metainfo", app_id + ".metainfo.xml")
    result = run(["appstreamcli", "validate", "--no-net", metainfo])
    check(result.returncode == 0, "appstreamcli validate --no-net", result.stdout)
    root = ET.parse(metainfo).getroot()
    check(root.findtext("id") == app_id and root.findtext("launchable") == app_id + ".desktop"
          and [r.get("version") for r in root.iter("release")][:1] == [version],
          f"metainfo names {app_id}.desktop and release {version} first")


# (short, long) pairs of options at the start of an indented line.
def options(text, indent):
    return set(re.findall(indent + r"(?:(-\w), )?(--[\w-]+)", text, re.M))


def check_manual_page(prefix, version):
    path = os.path.join(prefix, "share", "man", "man1", "quorvane-tag.1.gz")
    env = dict(os.environ, LC_ALL="C", MANWIDTH="80", MAN_KEEP_FORMATTING="")
    page = re.sub(r".\x08", "", run(["man", "-l", path], env=env).stdout)
    check(page.startswith("QUORVANE-TAG(1)") and f"Quorvane {version}" in page,
          f"man -l renders the page of version {version}")
    section = re.search(r"^OPTIONS\n(.*?)^\S", page, re.M | re.S)
    usage = run([os.path.join(prefix, "bin", "quorvane-tag"), "--help"]).stdout
    in_help, in_page = options(usage, r"^ {2,}"), options(section[1] if section else "", "^ {7}")
    check(len(in_help) >= 6 and in_help == in_page, "the page lists the options of --help",
          f"{sorted(in_help)}\n{sorted(in_page)}")
    with gzip.open(os.path.join(prefix, "share", "doc", "quorvane", "changelog.gz"), "rt") as f:
        check(f.readline().startswith(f"quorvane ({version})"), "changelog's newest version")


# The relations of a control field, each the set of its alternatives' names.
def relations(field):
    return [{re.sub(r"\(.*\)", "", alt).strip() for alt in relation.split("|")}
            for relation in field.split(",") if relation.strip()]


def check_package(cpack, build, version, window):
    with tempfile.TemporaryDirectory(prefix="quorvane-package-") as out:
        result = run([cpack, "-G", "DEB", "-B", out, "--config", build + "/CPackConfig.cmake"])
        debs = glob.glob(os.path.join(out, "*.deb"))
        if len(debs) != 1:
            return check(False, "cpack builds one .deb", result.stdout + result.stderr)
        fields = run(["dpkg-deb", "-f", debs[0], "Version", "Depends", "Recommends"]).stdout
        control = dict(re.findall(r"^(\w+): (.*)$", fields, re.M))
        depends = relations(control.get("Depends", ""))
        fonts = {"fonts-ipafont-gothic", "fonts-noto-cjk", "fonts-vlgothic"}
        wanted = [control.get("Version") == version,
                  any(name.startswith("libicu") for r in depends for name in r)]
        if window:
            wanted += [{"qt6-qpa-plugins"} in depends,
                       any("fonts-ipafont-gothic" in r and r <= fonts for r in depends),
                       {"qt6-translations-l10n"} in relations(control.get("Recommends", ""))]
        check(all(wanted), "Version; Depends: libraries, Qt plugins, a Japanese font; Recommends",
              fields)
        result = run(["lintian", debs[0]])
        found = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        check(result.returncode == 0 and not found, "lintian: no error or warning",
              "\n".join(found) + result.stderr)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cmake", "--cpack", "--build", "--version", "--outdir"):
        parser.add_argument(option, required=True)
    parser.add_argument("--app-id")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="quorvane-install-") as prefix:
        result = run([args.cmake, "--install", args.build, "--prefix", prefix])
        check(result.returncode == 0, f"cmake --install into {prefix}", result.stdout)
        check_tag_program(os.path.join(prefix, "bin"), args.version)
        check_manual_page(prefix, args.version)
        if args.app_id:
            result = run([os.path.join(HERE, "open_and_close.sh"),
                          os.path.join(prefix, "bin", "quorvane"), args.outdir])
            check(result.returncode == 0, "the window opens and closes",
                  result.stdout + result.stderr)
            check_desktop_files(prefix, args.app_id, args.version)
    check_package(args.cpack, args.build, args.version, args.app_id is not None)
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
