#include "platform/fakes/authenticator_fake.h"

#include "platform/task_queue.h"

namespace vardo {

void FakeAuthenticator::begin(Conversation conversation)
{
    if (running_)
        return;
    running_ = true;
    ++conversations;
    conversation_ = std::move(conversation);
    conversation_.message({Message::Kind::secretPrompt, prompt});
}

void FakeAuthenticator::answer(std::string &&response)
{
    if (!running_)
        return;
    const bool accepted = response == password;
    answers.push_back(response);
    wipeSecret(response);
    mainQueue_.post([this, accepted] {
        if (!running_)
            return;
        running_ = false;
        conversation_.finished(accepted);
    });
}

void FakeAuthenticator::cancel()
{
    if (!running_)
        return;
    running_ = false;
    conversation_.finished(false);
}

} // namespace vardo
