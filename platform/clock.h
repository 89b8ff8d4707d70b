#pragma once

namespace vardo {

// The wall clock. Every time the engine compares is a difference of two readings.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual double now() const = 0;
};

class SystemClock final : public Clock {
public:
    double now() const override;
};

} // namespace vardo
