#pragma once

#include "platform/authenticator.h"

#include <memory>

namespace vardo {

class TaskQueue;

// Authenticates the user running the application through PAM, service "nerova-vardo"
// (/etc/pam.d/nerova-vardo; without it PAM applies its "other" service). The PAM
// conversation runs on a thread of its own: pam_unix alone takes about two seconds to
// refuse a wrong password, and a fingerprint reader waits for a finger.
class PamAuthenticator final : public Authenticator {
public:
    static constexpr const char *serviceName = "nerova-vardo";

    explicit PamAuthenticator(TaskQueue &mainQueue);
    ~PamAuthenticator() override;

    void begin(Conversation conversation) override;
    void answer(std::string &&response) override;
    void cancel() override;
    bool isRunning() const override;

    struct Attempt; // shared with the conversation's thread

private:
    TaskQueue &mainQueue_;
    std::shared_ptr<Attempt> attempt_;
};

} // namespace vardo
