#!/usr/bin/python3
"""The README's settings table and the application's settings table say the same.

Usage: check_settings_documented.py README.md NEROVA_VARDO_EXECUTABLE

Every key of `nerova-vardo defaults keys` has a row in the README's table, with the same
type, default and accepted values; every key the README documents exists.
"""
import re
import subprocess
import sys

readme_path, executable = sys.argv[1], sys.argv[2]
listing = subprocess.run([executable, "defaults", "keys"], check=True, capture_output=True, text=True).stdout
known = {}
for line in listing.splitlines():
    key, kind, default, accepts = line.split("\t")
    known[key] = (kind, default, accepts)

documented = {}
for row in open(readme_path, encoding="utf-8").read().splitlines():
    cells = [cell.strip() for cell in row.strip().strip("|").split("|")]
    if len(cells) >= 5 and re.fullmatch(r"`[a-z_]+`", cells[0]):
        documented[cells[0].strip("`")] = tuple(cell.strip("`") for cell in cells[1:4])

problems = []
for key in sorted(known.keys() - documented.keys()):
    problems.append(f"{key}: not documented in the README's settings table")
for key in sorted(documented.keys() - known.keys()):
    problems.append(f"{key}: documented in the README but the application has no such key")
for key in sorted(known.keys() & documented.keys()):
    if known[key] != documented[key]:
        problems.append(f"{key}: README says {documented[key]}, the application says {known[key]}")
if problems:
    print("\n".join(problems))
    sys.exit(1)
print(f"all {len(known)} settings keys are documented as the application has them")
