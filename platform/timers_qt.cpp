#include "platform/timers_qt.h"

#include <QTimer>

#include <cmath>

namespace vardo {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(double intervalSeconds, bool repeats, std::function<void()> fire)
        : timer_(new QTimer)
    {
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setSingleShot(!repeats);
        timer_->setInterval(static_cast<int>(std::lround(intervalSeconds * 1000.0)));
        QObject::connect(timer_, &QTimer::timeout, timer_, std::move(fire));
        timer_->start();
    }
    // The engine often drops a timer from inside its own callback; deleting the QTimer
    // there would pull it out from under its signal, so it goes at the next loop turn.
    ~QtTimer() override
    {
        timer_->stop();
        timer_->deleteLater();
    }
    void invalidate() override { timer_->stop(); }

private:
    QTimer *timer_;
};

} // namespace

std::unique_ptr<Timer> QtTimers::schedule(double intervalSeconds, bool repeats, std::function<void()> fire)
{
    return std::make_unique<QtTimer>(intervalSeconds, repeats, std::move(fire));
}

} // namespace vardo
