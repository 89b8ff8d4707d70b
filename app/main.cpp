// nerova-vardo: guards the screen through the webcam. Without arguments it runs the
// application; the subcommands below inspect and script it.

#include "app/application.h"
#include "app/defaults_command.h"
#include "app/replay_command.h"
#include "platform/defaults_store_file.h"
#include "platform/log_sink.h"
#include "recognition/diagnostics.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char *usage =
    "usage: nerova-vardo [--camera PATH]        run (PATH: a video file or image folder instead of the webcam)\n"
    "       nerova-vardo state                  print the state after start-up as JSON\n"
    "       nerova-vardo faces IMAGE...         the faces found in each image, one JSON object per face\n"
    "       nerova-vardo verify --enroll IMAGE... --probe IMAGE...   match probes against an enrolled set\n"
    "       nerova-vardo replay FILE [--defaults-file PATH]   run a scripted scenario headless\n"
    "       nerova-vardo defaults read [KEY] | write KEY -int|-float|-bool|-string VALUE | delete KEY\n";

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? std::string() : args.front();

    if (command == "defaults") {
        vardo::StdoutLog log;
        vardo::FileDefaultsStore store(vardo::FileDefaultsStore::defaultPath(), log);
        return vardo::runDefaultsCommand({args.begin() + 1, args.end()}, store, std::cout, std::cerr);
    }
    if (command == "state")
        return vardo::runStateCommand(argc, argv);
    if (command == "faces" || command == "verify") {
        // JSON on standard output; the log lines go to standard error.
        vardo::StdoutLog log(stderr);
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        return command == "faces" ? vardo::runFacesCommand(rest, std::cout, std::cerr, log)
                                  : vardo::runVerifyCommand(rest, std::cout, std::cerr, log);
    }
    if (command == "replay")
        return vardo::runReplayCommand(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usage;
        return 0;
    }

    vardo::ApplicationOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--camera" && i + 1 < args.size()) {
            options.cameraSource = args[++i];
        } else {
            std::cerr << "nerova-vardo: unknown argument " << args[i] << "\n" << usage;
            return 2;
        }
    }
    return vardo::runApplication(argc, argv, options);
}
