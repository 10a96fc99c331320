#!/usr/bin/env python3
# Installs a build into a temporary prefix with `cmake --install` and checks
# the installed tree as its user would: the converter runs and converts, the
# desktop entry and the metainfo validate and name installed files, the
# manual page renders with the options of --help.
# Then packs the build as a Debian package and checks its relations and that
# lintian finds no error or warning in it.
#
#   check_install.py CMAKE CPACK BUILD VERSION [APP_ID]
import glob, gzip, os, re, struct, subprocess, sys, tempfile

failures = []
TABLE = (b"<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n"
         b"<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>")
# (short, long) pairs of options at the start of a line, after the indent.
OPTION = r"(?:(-\w), )?(--[\w-]+)"
JAPANESE_FONTS = {"fonts-ipafont-gothic", "fonts-noto-cjk", "fonts-vlgothic"}


def check(condition, what, details=""):
    print("ok     " + what if condition else f"FAILED {what}\n{details}")
    failures.extend([] if condition else [what])


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_manual_page(prefix, version):
    env = dict(os.environ, LC_ALL="C", MANWIDTH="80", MAN_KEEP_FORMATTING="")
    man = run("man", "-l", prefix + "/share/man/man1/quorvane-tag.1.gz", env=env)
    page = re.sub(r".\x08", "", man.stdout)
    check(page.startswith("QUORVANE-TAG(1)") and f"Quorvane {version}" in page,
          f"man -l renders the page of version {version}")
    section = re.search(r"^OPTIONS\n(.*?)^\S", page, re.M | re.S)
    usage = run(prefix + "/bin/quorvane-tag", "--help").stdout
    in_help = set(re.findall("^ {2,}" + OPTION, usage, re.M))
    in_page = set(re.findall("^ {7}" + OPTION, section[1] if section else "", re.M))
    check(len(in_help) >= 6 and in_help == in_page, "the page lists the options of --help",
          f"{sorted(in_help)}\n{sorted(in_page)}")
    with gzip.open(prefix + "/share/doc/quorvane/changelog.gz", "rt") as f:
        check(f.readline().startswith(f"quorvane ({version})"), "changelog's newest version")


def check_desktop_files(prefix, app_id, version):
    desktop = f"{prefix}/share/applications/{app_id}.desktop"
    result = run("desktop-file-validate", desktop)
    check(result.returncode == 0 and not result.stdout, "desktop-file-validate", result)
    entry = dict(re.findall(r"^(\w+)=(.*)$", open(desktop, encoding="utf-8").read(), re.M))
    check(os.access(f"{prefix}/bin/{entry.get('Exec')}", os.X_OK), "Exec is installed")
    for size in (16, 32, 64):
        icon = f"{prefix}/share/icons/hicolor/{size}x{size}/apps/{entry['Icon']}.png"
        png_header = b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + struct.pack(">II", size, size)
        check(open(icon, "rb").read(24) == png_header, f"Icon in {size}x{size} pixels")
    metainfo = f"{prefix}/share/metainfo/{app_id}.metainfo.xml"
    result = run("appstreamcli", "validate", "--no-net", metainfo)
    check(result.returncode == 0, "appstreamcli validate --no-net", result.stdout)
    text = open(metainfo, encoding="utf-8").read()
    check(f"<id>{app_id}</id>" in text and f">{app_id}.desktop</launchable>" in text
          and re.findall(r'<release version="([^"]*)"', text)[:1] == [version],
          f"metainfo names {app_id}.desktop and release {version} first")


# The relations of a control field, each the set of its alternatives' names.
def relations(field):
    return [{re.sub(r"\(.*\)", "", alt).strip() for alt in relation.split("|")}
            for relation in field.split(",") if relation.strip()]


def check_package(cpack, build, version, window):
    with tempfile.TemporaryDirectory(prefix="quorvane-package-") as out:
        result = run(cpack, "-G", "DEB", "-B", out, "--config", build + "/CPackConfig.cmake")
        debs = glob.glob(out + "/*.deb")
        if len(debs) != 1:
            return check(False, "cpack builds one .deb", result.stdout + result.stderr)
        fields = run("dpkg-deb", "-f", debs[0], "Version", "Depends", "Recommends").stdout
        control = dict(re.findall(r"^(\w+): (.*)$", fields, re.M))
        deps, recs = (relations(control.get(field, "")) for field in ("Depends", "Recommends"))
        wanted = [control.get("Version") == version,
                  any(name.startswith("libstdc++") for r in deps for name in r)]
        if window:
            wanted += [{"qt6-qpa-plugins"} in deps, {"qt6-translations-l10n"} in recs,
                       any("fonts-ipafont-gothic" in r and r <= JAPANESE_FONTS for r in deps)]
        check(all(wanted), "Version; Depends: libraries, Qt plugins, a Japanese font; Recommends",
              fields)
        result = run("lintian", debs[0])
        found = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        check(result.returncode == 0 and not found, "lintian: no error or warning",
              "\n".join(found) + result.stderr)


def main(cmake, cpack, build, version, app_id=None):
    with tempfile.TemporaryDirectory(prefix="quorvane-install-") as prefix:
        result = run(cmake, "--install", build, "--prefix", prefix)
        check(result.returncode == 0, f"cmake --install into {prefix}", result.stdout)
        tag = prefix + "/bin/quorvane-tag"
        check(run(tag, "--version").stdout == f"quorvane-tag {version}\n", "--version")
        result = subprocess.run([tag, "-n", "2", "-a", "1=align=right", "-"],
                                input=b"a,b\r\nc\r\n", capture_output=True)
        check(result.returncode == 0 and result.stdout == TABLE, "converts stdin", result)
        check_manual_page(prefix, version)
        if app_id:
            check_desktop_files(prefix, app_id, version)
    check_package(cpack, build, version, app_id is not None)
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


sys.exit(main(*sys.argv[1:]))
