#pragma once

#include <functional>
#include <utility>

namespace vardo {

// The full-screen windows the engine raises over every display: the lock overlay and
// the shoulder-guard screen. Showing and hiding are idempotent.
class OverlayWindows {
public:
    virtual ~OverlayWindows() = default;
    virtual void showLockWindows() = 0;
    virtual void hideLockWindows() = 0;
    virtual void showStealthWindows() = 0;
    virtual void hideStealthWindows() = 0;
    // Keeps the application's windows out of screenshots and screen sharing where the
    // desktop allows it.
    virtual void applyCaptureExclusion() = 0;
    // Displays came or went: one window per display again for whatever is shown.
    virtual void screensChanged() = 0;

    // The lock overlay is up but cannot keep key presses and clicks from other
    // applications (another program holds the keyboard, or the display server lets no
    // client take it). The engine then locks the session instead; the overlay has
    // logged why.
    void onInputCaptureFailed(std::function<void()> handler) { inputCaptureFailed_ = std::move(handler); }

protected:
    void reportInputCaptureFailed()
    {
        if (inputCaptureFailed_)
            inputCaptureFailed_();
    }

private:
    std::function<void()> inputCaptureFailed_;
};

} // namespace vardo
