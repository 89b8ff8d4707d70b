#pragma once

#include <QObject>

#include <array>
#include <memory>
#include <vector>

namespace vardo {

class Timer;
class Timers;

// The welcome screen's reveal: the logo, the four lines and the agreement appear one
// after another, each at its own time after the screen is shown. The view shows what
// `stage` has reached; the timing lives here, on the platform's timers, so that it runs
// on virtual time in tests.
class WelcomeReveal final : public QObject {
    Q_OBJECT
    // 0: nothing yet; 1: the logo; 2 to 5: the four lines; 6: the agreement and button.
    Q_PROPERTY(int stage READ stage NOTIFY stageChanged)

public:
    // Seconds after the screen is shown at which stages 1 to 6 begin.
    static constexpr std::array<double, 6> stageTimes{0.0, 0.5, 1.0, 1.6, 2.1, 2.8};
    static constexpr int lastStage = static_cast<int>(stageTimes.size());

    explicit WelcomeReveal(Timers &timers, QObject *parent = nullptr);
    ~WelcomeReveal() override;

    int stage() const { return stage_; }

    // The screen is shown (again): everything hides and the reveal starts from the
    // beginning.
    Q_INVOKABLE void restart();

signals:
    void stageChanged();

private:
    void setStage(int stage);

    Timers &timers_;
    std::vector<std::unique_ptr<Timer>> pending_;
    int stage_ = 0;
};

} // namespace vardo
