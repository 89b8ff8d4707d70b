#pragma once

#include "replay/replay_frame_analysis.h"
#include "replay/replay_scenario.h"
#include "replay/simulated_platform.h"

#include <istream>
#include <memory>
#include <string>

namespace vardo {

class DefaultsStore;
class LogSink;
class VardoService;

// The whole engine, headless, on a virtual clock, driven by a scenario (see
// replay_scenario.h): before each line the clock moves to the line's t, firing every
// timer and running every queued task due on the way, then the line happens. Camera,
// secret store, windows, session tool and sounds are the fakes of SimulatedPlatform;
// frames come only from the scenario and travel the real road (camera, processing
// queue, face analysis, main queue): synthetic people through ScriptedFrameAnalysis,
// image files through the application's own face analysis, whose models load at the
// first image line. The service is built when the first line that is not set-up is
// reached, or at the end when there is none.
//
// Every line of output, the engine's log lines and the "STATE {...}" line of each dump,
// goes to one sink, in the order it happens.
class ScenarioReplay {
public:
    // `settings` is the store the service starts from and writes to; "defaults" lines
    // write into it. Relative image paths are taken from `imageFolder`.
    ScenarioReplay(DefaultsStore &settings, LogSink &output, std::string imageFolder = ".");
    ~ScenarioReplay();

    // Runs the scenario to its end. False at the first malformed line, which stops the
    // replay: error() then says which line and why.
    bool run(std::istream &scenario);
    // Runs one line; `text` without its line break.
    bool runLine(std::string_view text, int number);
    // The end of the scenario: builds the service if no line did, runs what is due now.
    void finish();

    // Where remarks about the scenario go (a frame the camera was not running for);
    // nowhere by default. They are not output of the engine.
    void setNotes(LogSink *notes) { notes_ = notes; }

    const std::string &error() const { return error_; }
    int errorLine() const { return errorLine_; }

    // The state line a dump prints, without "STATE ".
    std::string stateJson() const;

    // For tests: what the replay runs on, once the service is built.
    VardoService *service() const { return service_.get(); }
    SimulatedPlatform *platform() const { return platform_.get(); }

private:
    void setUp(const ReplayLine &line);
    void buildService(double t);
    bool happen(const ReplayLine &line);
    bool deliverFrame(const ReplayLine &line);
    bool deliverImage(const ReplayLine &line);
    void call(const ReplayLine &line);
    void notify(const std::string &name);
    bool fail(int line, std::string reason);
    void note(int line, const std::string &remark);

    DefaultsStore &settings_;
    LogSink &output_;
    std::string imageFolder_;
    LogSink *notes_ = nullptr;

    double startSeconds_ = defaultReplayStart;
    std::vector<std::pair<std::string, std::string>> stateSecrets_;
    std::optional<std::string> enrolledPerson_;
    double lastT_ = 0.0;

    std::unique_ptr<SimulatedPlatform> platform_;
    ScriptedFrameAnalysis analysis_;
    std::unique_ptr<FrameAnalysis> imageAnalysis_;
    std::unique_ptr<VardoService> service_;
    std::uint64_t nextSample_ = 0;

    std::string error_;
    int errorLine_ = 0;
};

} // namespace vardo
