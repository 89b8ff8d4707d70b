#pragma once

#include <string>

namespace vardo {

struct ApplicationOptions {
    std::string cameraSource; // --camera PATH: recorded footage instead of the webcam
};

// Runs the application until it is asked to quit: with a display, the interface; without
// one, headless (engine, camera intake and log lines). Returns the exit status.
int runApplication(int &argc, char **argv, const ApplicationOptions &options);

// `nerova-vardo state`: the published state after start-up, as one JSON line, without
// starting the camera or writing anything.
int runStateCommand(int &argc, char **argv);

} // namespace vardo
