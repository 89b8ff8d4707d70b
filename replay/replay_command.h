#pragma once

namespace vardo {

// `nerova-vardo replay FILE [--defaults-file PATH]`: the whole engine, headless, on a
// virtual clock, driven by the scenario in FILE (one JSON object per line; see
// engine/replay_scenario.h). Prints the engine's log lines and a "STATE {...}" line for
// each dump on standard output. Exit status 0 when the scenario ran to its end, 2 for a
// malformed scenario (line number and reason on standard error) or bad arguments.
// Settings live in memory unless --defaults-file names a settings file to use.
int runReplayCommand(int &argc, char **argv);

} // namespace vardo
