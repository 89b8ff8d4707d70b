#pragma once

#include "platform/authenticator.h"

#include <string>
#include <vector>

namespace vardo {

class TaskQueue;

// Asks one secret question and accepts `password`; the verdict arrives through the main
// queue, as the system's answer would, so that a test can act while a check runs.
class FakeAuthenticator final : public Authenticator {
public:
    explicit FakeAuthenticator(TaskQueue &mainQueue) : mainQueue_(mainQueue) {}

    std::string password = "owner-password";
    std::string prompt = "Password: ";
    int conversations = 0;
    std::vector<std::string> answers; // what was answered, for tests to see it was used once

    void begin(Conversation conversation) override;
    void answer(std::string &&response) override;
    void cancel() override;
    bool isRunning() const override { return running_; }

private:
    TaskQueue &mainQueue_;
    Conversation conversation_;
    bool running_ = false;
};

} // namespace vardo
