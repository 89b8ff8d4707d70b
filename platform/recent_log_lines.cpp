#include "platform/recent_log_lines.h"

namespace vardo {

void RecentLogLines::write(std::string_view line)
{
    next_.write(line);
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
    while (lines_.size() > kept_)
        lines_.pop_front();
}

std::vector<std::string> RecentLogLines::lines() const
{
    std::lock_guard lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

} // namespace vardo
