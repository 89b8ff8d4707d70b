#!/usr/bin/python3
"""Every settings key the application reads or writes is documented in the README.

Finds the quoted keys ("vardo_..." and "app_language") in the sources and checks that each
one appears, in backquotes, in the README's settings table.
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
readme = (root / "README.md").read_text(encoding="utf-8")
keys = set()
for folder in ("app", "engine", "localization", "recognition", "platform", "screens", "intruder", "liveness"):
    for source in (root / folder).glob("*.cpp"):
        keys.update(re.findall(r'"((?:vardo_[a-z_]+)|app_language)"', source.read_text(encoding="utf-8")))

missing = sorted(key for key in keys if f"`{key}`" not in readme)
if missing:
    print("settings keys missing from the README's settings table: " + ", ".join(missing))
    sys.exit(1)
print(f"all {len(keys)} settings keys are documented")
