#!/usr/bin/python3
"""Runs one replay scenario through `nerova-vardo replay` and checks its output against
the expectations written into it as "#>" comment lines:

  #> LOG <line>        this exact log line, after the one matched before it and before the next STATE
  #> NOLOG <text>      no log line between the previous and the next STATE contains it
  #> STATE {json}      the next STATE line holds these members with these values (others unchecked)
  #> EXIT <n>          the exit status (0 when not given)
  #> STDERR <text>     standard error contains the text
  #> SETTINGS {json}   run with --defaults-file naming a file that holds this ({"key": {"integer": 10}})
  #> SETTINGS_AFTER {json}  after the run that file holds these members

HOME and XDG_CONFIG_HOME point at empty folders that must stay empty. Every STATE line
of the output needs its STATE expectation, in order.

usage: check_replay.py NEROVA_VARDO SCENARIO.jsonl
"""

import json
import os
import subprocess
import sys
import tempfile


class Segment:
    """What is expected of the output up to and including one STATE line."""

    def __init__(self):
        self.logs, self.nologs, self.state = [], [], None  # (scenario line, text) lists; (line, dict)


def read_expectations(path):
    segments, exit_status, stderr_texts, settings = [Segment()], 0, [], {}
    with open(path, encoding="utf-8") as scenario:
        for number, line in enumerate(scenario, start=1):
            if not line.startswith("#>"):
                continue
            directive, _, rest = line[2:].strip().partition(" ")
            rest = rest.strip()
            if directive in ("LOG", "NOLOG"):
                (segments[-1].logs if directive == "LOG" else segments[-1].nologs).append((number, rest))
            elif directive == "STATE":
                segments[-1].state = (number, json.loads(rest))
                segments.append(Segment())
            elif directive == "EXIT":
                exit_status = int(rest)
            elif directive == "STDERR":
                stderr_texts.append((number, rest))
            elif directive in ("SETTINGS", "SETTINGS_AFTER"):
                settings[directive] = (number, json.loads(rest))
            else:
                raise SystemExit(f"{path}:{number}: unknown expectation {directive!r}")
    return segments, exit_status, stderr_texts, settings


def split_output(stdout):
    """The log lines before each STATE line, and that STATE line's object."""
    parts = [([], None)]
    for line in stdout.splitlines():
        if line.startswith("STATE "):
            parts[-1] = (parts[-1][0], json.loads(line[len("STATE "):]))
            parts.append(([], None))
        else:
            parts[-1][0].append(line)
    return parts


def check(path, segments, parts):
    problems = []
    if len(parts) != len(segments):
        problems.append(f"the replay printed {len(parts) - 1} STATE lines, the scenario expects {len(segments) - 1}")
    for index, (segment, (logs, state)) in enumerate(zip(segments, parts)):
        where = f"before STATE #{index + 1}" if segment.state else "after the last STATE"
        position = 0
        for number, text in segment.logs:
            try:
                position = logs.index(text, position) + 1
            except ValueError:
                problems.append(f"{path}:{number}: log line not found {where} (in this order): {text}")
        problems += [f"{path}:{number}: unexpected log line {where}: {log}"
                     for number, text in segment.nologs for log in logs if text in log]
        if segment.state and state is not None:
            number, wanted = segment.state
            for key, value in wanted.items():
                if key not in state:
                    problems.append(f"{path}:{number}: STATE #{index + 1} has no member {key!r}")
                elif state[key] != value:
                    problems.append(f"{path}:{number}: STATE #{index + 1} {key} is "
                                    f"{json.dumps(state[key])}, expected {json.dumps(value)}")
    return problems


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    binary, path = sys.argv[1], sys.argv[2]
    segments, exit_status, stderr_texts, settings = read_expectations(path)
    problems = []
    with tempfile.TemporaryDirectory(prefix="replay-") as scratch:
        home = os.path.join(scratch, "home")
        config = os.path.join(scratch, "config")
        os.mkdir(home)
        os.mkdir(config)
        environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config)
        command = [binary, "replay", path]
        settings_file = os.path.join(scratch, "settings.json")
        if "SETTINGS" in settings or "SETTINGS_AFTER" in settings:
            with open(settings_file, "w", encoding="utf-8") as file:
                json.dump(settings.get("SETTINGS", (0, {}))[1], file)
            command += ["--defaults-file", settings_file]
        run = subprocess.run(command, capture_output=True, text=True, timeout=300, env=environment)
        for folder in (home, config):
            for root, _, files in os.walk(folder):
                for name in files:
                    problems.append(f"the replay wrote {os.path.join(root, name)}")
        if "SETTINGS_AFTER" in settings:
            number, wanted = settings["SETTINGS_AFTER"]
            with open(settings_file, encoding="utf-8") as file:
                stored = json.load(file)
            for key, value in wanted.items():
                if stored.get(key) != value:
                    problems.append(f"{path}:{number}: the settings file has {key} = "
                                    f"{json.dumps(stored.get(key))}, expected {json.dumps(value)}")
    if run.returncode != exit_status:
        problems.append(f"exit status {run.returncode}, expected {exit_status}")
    for number, text in stderr_texts:
        if text not in run.stderr:
            problems.append(f"{path}:{number}: standard error lacks: {text}")
    problems += check(path, segments, split_output(run.stdout))
    if problems:
        print("\n".join(problems))
        print("--- standard output ---")
        print(run.stdout, end="")
        print("--- standard error ---")
        print(run.stderr, end="")
        return 1
    print(f"{path}: expectations met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
