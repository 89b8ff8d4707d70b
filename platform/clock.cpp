#include "platform/clock.h"

#include <chrono>

namespace vardo {

double SystemClock::now() const
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

} // namespace vardo
