#pragma once

#include "platform/log_sink.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vardo {

// Passes every line on to another sink and remembers the last few, for the diagnostic
// report a user may copy. Safe from any thread, like the sinks it wraps.
class RecentLogLines final : public LogSink {
public:
    explicit RecentLogLines(LogSink &next, std::size_t kept = 40) : next_(next), kept_(kept) {}

    void write(std::string_view line) override;
    // The remembered lines, oldest first.
    std::vector<std::string> lines() const;

private:
    LogSink &next_;
    const std::size_t kept_;
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

} // namespace vardo
