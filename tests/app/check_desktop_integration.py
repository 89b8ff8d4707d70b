#!/usr/bin/python3
"""Installs the build as the package does (prefix /usr, into a temporary DESTDIR) and checks what a desktop
finds there: a valid launcher entry and AppStream metainfo, the icon in the hicolor theme
at every size the entry may be drawn at, and the program itself.

usage: check_desktop_integration.py BUILD_DIR
"""
import os
import subprocess
import sys
import tempfile

SIZES = [16, 22, 24, 32, 48, 64, 128, 256, 512]


def main():
    build = sys.argv[1]
    problems = []
    with tempfile.TemporaryDirectory() as root:
        prefix = os.path.join(root, "usr")
        subprocess.run(["cmake", "--install", build, "--prefix", "/usr"], check=True,
                       stdout=subprocess.DEVNULL, env=dict(os.environ, DESTDIR=root))
        share = os.path.join(prefix, "share")
        entry = os.path.join(share, "applications", "com.nerova.vardo.desktop")
        metainfo = os.path.join(share, "metainfo", "com.nerova.vardo.metainfo.xml")
        for command in (["desktop-file-validate", entry],
                        ["appstreamcli", "validate", "--no-net", "--pedantic", metainfo]):
            result = subprocess.run(command, capture_output=True, text=True)
            output = (result.stdout + result.stderr).strip()
            # desktop-file-validate exits 0 on hints; only errors and warnings count.
            if result.returncode != 0 or "error" in output or "warning" in output:
                problems.append(" ".join(command[:1]) + ": " + output)
        icons = os.path.join(share, "icons", "hicolor")
        wanted = [os.path.join(icons, "scalable", "apps", "com.nerova.vardo.svg"),
                  os.path.join(prefix, "bin", "nerova-vardo"), os.path.join(prefix, "bin", "nerova-vardo-lock-watcher"),
                  os.path.join(root, "etc", "pam.d", "nerova-vardo")]
        for path in wanted:
            if not os.path.isfile(path):
                problems.append("missing " + os.path.relpath(path, prefix))
        for n in SIZES:
            png = os.path.join(icons, f"{n}x{n}", "apps", "com.nerova.vardo.png")
            if not os.path.isfile(png):
                problems.append(f"missing {n}x{n} icon")
                continue
            with open(png, "rb") as f:
                header = f.read(24)
            size = (int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big"))
            if size != (n, n):
                problems.append(f"{n}x{n} icon is {size[0]}x{size[1]}")
        with open(entry) as f:
            if "Icon=com.nerova.vardo\n" not in f.read():
                problems.append("the launcher entry does not name the icon")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
