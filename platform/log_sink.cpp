#include "platform/log_sink.h"

#include <cstdio>

namespace vardo {

void StdoutLog::write(std::string_view line)
{
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
}

} // namespace vardo
