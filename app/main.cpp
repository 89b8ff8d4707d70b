// nerova-vardo: guards the screen through the webcam. Without a command it runs the
// application; the commands below inspect and script it.

#include "app/application.h"
#include "app/defaults_command.h"
#include "app/face_commands.h"
#include "platform/defaults_store_file.h"
#include "platform/log_sink.h"
#include "replay/replay_command.h"
#include "version.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char *usage =
    "usage: nerova-vardo [--camera PATH] [--background]   run (PATH: a video file or image folder instead of\n"
    "                                           the webcam; --background: into the tray, as at login)\n"
    "       nerova-vardo state                  print the running instance's state (or the stored one) as JSON\n"
    "       nerova-vardo faces IMAGE...         the faces found in each image, one JSON object per face\n"
    "       nerova-vardo verify --enroll IMAGE... --probe IMAGE...   match probes against an enrolled set\n"
    "       nerova-vardo replay FILE [--defaults-file PATH]   run a scripted scenario headless\n"
    "       nerova-vardo defaults read [KEY] | write KEY -int|-float|-bool|-string VALUE | delete KEY | keys\n"
    "       nerova-vardo --help | --version\n";

bool asksForHelp(const std::vector<std::string> &args)
{
    for (const auto &arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

int wrongArguments(const std::string &why)
{
    std::cerr << "nerova-vardo: " << why << "\n" << usage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? std::string() : args.front();
    const std::vector<std::string> rest = args.empty() ? args : std::vector<std::string>(args.begin() + 1, args.end());

    if (command == "--version" && rest.empty()) {
        std::cout << "nerova-vardo " << NEROVA_VARDO_VERSION << "\n";
        return 0;
    }
    if (asksForHelp(args) || command == "help") {
        std::cout << usage;
        return 0;
    }
    if (command == "defaults") {
        vardo::StdoutLog log(stderr);
        vardo::FileDefaultsStore store(vardo::FileDefaultsStore::defaultPath(), log);
        return vardo::runDefaultsCommand(rest, store, std::cout, std::cerr);
    }
    if (command == "state") {
        if (!rest.empty())
            return wrongArguments("state takes no arguments");
        return vardo::runStateCommand(argc, argv);
    }
    if (command == "faces" || command == "verify") {
        // JSON on standard output; the log lines go to standard error.
        vardo::StdoutLog log(stderr);
        return command == "faces" ? vardo::runFacesCommand(rest, std::cout, std::cerr, log)
                                  : vardo::runVerifyCommand(rest, std::cout, std::cerr, log);
    }
    if (command == "replay")
        return vardo::runReplayCommand(argc, argv);

    vardo::ApplicationOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--camera" && i + 1 < args.size() && !args[i + 1].empty())
            options.cameraSource = args[++i];
        else if (args[i] == "--background")
            options.startInBackground = true;
        else
            return wrongArguments("unknown argument " + args[i]);
    }
    return vardo::runApplication(argc, argv, options);
}
