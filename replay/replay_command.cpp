#include "replay/replay_command.h"

#include "replay/replay_runner.h"
#include "localization/localization_manager.h"
#include "platform/defaults_store_file.h"
#include "platform/log_sink.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace vardo {

namespace {

constexpr const char *usage = "usage: nerova-vardo replay FILE [--defaults-file PATH]\n";

// Remarks about the scenario, apart from the engine's output.
class StderrNotes final : public LogSink {
public:
    explicit StderrNotes(std::string prefix) : prefix_(std::move(prefix)) {}
    void write(std::string_view line) override { std::cerr << prefix_ << line << std::endl; }

private:
    std::string prefix_;
};

} // namespace

int runReplayCommand(int &argc, char **argv)
{
    // Day boundaries and dates of a scenario must not depend on where it runs.
    setenv("TZ", "UTC", 1);
    tzset();

    std::string file;
    std::string defaultsFile;
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--defaults-file" && i + 1 < args.size()) {
            defaultsFile = args[++i];
        } else if (file.empty() && !args[i].starts_with("--")) {
            file = args[i];
        } else {
            std::cerr << "nerova-vardo replay: unexpected argument " << args[i] << "\n" << usage;
            return 2;
        }
    }
    if (file.empty()) {
        std::cerr << usage;
        return 2;
    }
    std::ifstream scenario(file);
    if (!scenario) {
        std::cerr << "nerova-vardo replay: cannot read " << file << "\n";
        return 2;
    }

    QCoreApplication app(argc, argv);
    StdoutLog log;
    std::unique_ptr<DefaultsStore> settings;
    if (defaultsFile.empty())
        settings = std::make_unique<MemoryDefaultsStore>();
    else
        settings = std::make_unique<FileDefaultsStore>(QString::fromStdString(defaultsFile), log);
    LocalizationManager::setSharedStore(settings.get());

    const std::string folder = QFileInfo(QString::fromStdString(file)).absolutePath().toStdString();
    ScenarioReplay replay(*settings, log, folder);
    StderrNotes notes("nerova-vardo replay: " + file + ":");
    replay.setNotes(&notes);
    if (!replay.run(scenario)) {
        std::cerr << "nerova-vardo replay: " << file << ":" << replay.errorLine() << ": " << replay.error() << "\n";
        return 2;
    }
    return 0;
}

} // namespace vardo
