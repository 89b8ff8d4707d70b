#include "platform/fakes/memory_log.h"

namespace vardo {

void MemoryLog::write(std::string_view line)
{
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
}

std::vector<std::string> MemoryLog::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

bool MemoryLog::contains(std::string_view text) const
{
    std::lock_guard lock(mutex_);
    for (const auto &line : lines_)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

void MemoryLog::clear()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

} // namespace vardo
