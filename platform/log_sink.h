#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace vardo {

// Where the application's log lines go. Lines are plain, single, and start with their
// tag ("[Vardo] ", "[FaceID] ", ...); the sink adds only the line break.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(std::string_view line) = 0;
};

// Standard output (or another stream), one flushed line per call, safe from any thread.
class StdoutLog final : public LogSink {
public:
    explicit StdoutLog(std::FILE *stream = stdout) : stream_(stream) {}
    void write(std::string_view line) override;

private:
    std::FILE *stream_;
    std::mutex mutex_;
};

} // namespace vardo
