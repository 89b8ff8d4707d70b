#pragma once

#include <string>

namespace vardo {

struct ApplicationOptions {
    std::string cameraSource; // --camera PATH: recorded footage instead of the webcam
    bool startInBackground = false; // --background (started at login): the tray only, when there is one
};

// Runs the application until it is asked to quit: with a display, the interface; without
// one, headless (engine, camera intake and log lines). Returns the exit status.
int runApplication(int &argc, char **argv, const ApplicationOptions &options);

// `nerova-vardo state`: the running instance's live state when one runs in this session
// ("source":"running"), otherwise the state after start-up from what is stored
// ("source":"stored"), as one JSON line, without starting the camera or writing anything.
int runStateCommand(int &argc, char **argv);

} // namespace vardo
