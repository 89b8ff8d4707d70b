#pragma once

#include <functional>
#include <string>

namespace vardo {

// The system's authentication of the user running the application (PAM on Linux), one
// conversation at a time. A conversation may ask several questions (a password, a
// one-time code), tell things ("Place your finger on the reader") and ends exactly once.
// Every callback arrives on the main thread.
class Authenticator {
public:
    struct Message {
        enum class Kind { secretPrompt, visiblePrompt, error, info };
        Kind kind = Kind::info;
        std::string text;
        bool isPrompt() const { return kind == Kind::secretPrompt || kind == Kind::visiblePrompt; }
    };
    struct Conversation {
        // A prompt waits for answer(); errors and infos need nothing back.
        std::function<void(const Message &)> message;
        std::function<void(bool accepted)> finished;
    };

    virtual ~Authenticator() = default;
    // Starts a conversation. Does nothing while one is running.
    virtual void begin(Conversation conversation) = 0;
    // Answers the prompt the conversation waits on. The text is wiped once handed on.
    virtual void answer(std::string &&response) = 0;
    // Ends the running conversation as refused.
    virtual void cancel() = 0;
    virtual bool isRunning() const = 0;
};

// Overwrites a secret before its memory is given back.
void wipeSecret(std::string &secret);

} // namespace vardo
