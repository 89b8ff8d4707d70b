#pragma once

#include "engine/overlay_windows.h"

namespace vardo {

class LogSink;

// Without a display nothing can be covered: says in the log what would be shown, so a
// headless run still tells when it would have locked.
class HeadlessOverlayWindows final : public OverlayWindows {
public:
    explicit HeadlessOverlayWindows(LogSink &log) : log_(log) {}

    void showLockWindows() override;
    void hideLockWindows() override;
    void showStealthWindows() override;
    void hideStealthWindows() override;
    void applyCaptureExclusion() override {}
    void screensChanged() override {}

private:
    LogSink &log_;
    bool lockShown_ = false;
    bool stealthShown_ = false;
};

} // namespace vardo
