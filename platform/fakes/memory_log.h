#pragma once

#include "platform/log_sink.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vardo {

// Keeps the lines for tests to read back.
class MemoryLog final : public LogSink {
public:
    void write(std::string_view line) override;
    std::vector<std::string> lines() const;
    bool contains(std::string_view text) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace vardo
