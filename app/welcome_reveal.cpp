#include "app/welcome_reveal.h"

#include "platform/timers.h"

namespace vardo {

WelcomeReveal::WelcomeReveal(Timers &timers, QObject *parent) : QObject(parent), timers_(timers) {}

WelcomeReveal::~WelcomeReveal() = default;

void WelcomeReveal::restart()
{
    pending_.clear();
    setStage(0);
    // Every step is a timer of its own, even the first at 0 s: each change reaches the
    // view from the main loop, after the view has drawn its hidden state once.
    for (int i = 0; i < lastStage; ++i)
        pending_.push_back(timers_.schedule(stageTimes[static_cast<std::size_t>(i)], false,
                                            [this, stage = i + 1] { setStage(stage); }));
}

void WelcomeReveal::setStage(int stage)
{
    if (stage_ == stage)
        return;
    stage_ = stage;
    emit stageChanged();
}

} // namespace vardo
