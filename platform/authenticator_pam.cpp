#include "platform/authenticator_pam.h"

#include "platform/task_queue.h"

#include <security/pam_appl.h>

#include <pwd.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

namespace vardo {

// What the main thread and the conversation's thread share for one attempt. The thread
// keeps it alive after the authenticator has gone (a quit during a check).
struct PamAuthenticator::Attempt {
    TaskQueue *mainQueue = nullptr;
    Conversation conversation;
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<std::string> answer;
    bool cancelled = false;
    bool finished = false; // set on the main thread once `finished` has been called
    bool abandoned = false; // the authenticator is gone: call nobody back

    // From the conversation's thread. Once the authenticator has gone the main queue may
    // have gone with it, so nothing is posted any more; the mutex keeps the destructor
    // from running between the test and the post.
    void toMain(std::function<void()> task)
    {
        std::lock_guard lock(mutex);
        if (!abandoned)
            mainQueue->post(std::move(task));
    }

    void tell(const Message &message, const std::shared_ptr<Attempt> &self)
    {
        toMain([self, message] {
            if (!self->abandoned && !self->finished)
                self->conversation.message(message);
        });
    }

    // Blocks the conversation's thread until the screen answers or the attempt ends.
    std::optional<std::string> wait()
    {
        std::unique_lock lock(mutex);
        answered.wait(lock, [this] { return answer.has_value() || cancelled; });
        if (cancelled)
            return std::nullopt;
        std::optional<std::string> result = std::move(answer);
        answer.reset();
        return result;
    }
};

namespace {

struct ConversationContext {
    std::shared_ptr<PamAuthenticator::Attempt> attempt;
};

Authenticator::Message::Kind kindOf(int style)
{
    using Kind = Authenticator::Message::Kind;
    switch (style) {
    case PAM_PROMPT_ECHO_OFF: return Kind::secretPrompt;
    case PAM_PROMPT_ECHO_ON: return Kind::visiblePrompt;
    case PAM_ERROR_MSG: return Kind::error;
    default: return Kind::info;
    }
}

void freeResponses(pam_response *responses, int count)
{
    for (int i = 0; i < count; ++i) {
        if (char *text = responses[i].resp) {
            explicit_bzero(text, std::strlen(text));
            std::free(text);
        }
    }
    std::free(responses);
}

int converse(int count, const pam_message **messages, pam_response **out, void *data)
{
    auto &attempt = static_cast<ConversationContext *>(data)->attempt;
    if (count <= 0 || count > PAM_MAX_NUM_MSG)
        return PAM_CONV_ERR;
    // A module that only tells something may pass no place for answers (pam_matrix
    // does): the messages are shown, and a question without a place to answer is refused.
    if (!out) {
        for (int i = 0; i < count; ++i) {
            const Authenticator::Message message{kindOf(messages[i]->msg_style),
                                                 messages[i]->msg ? messages[i]->msg : ""};
            if (message.isPrompt())
                return PAM_CONV_ERR;
            attempt->tell(message, attempt);
        }
        return PAM_SUCCESS;
    }
    auto *responses = static_cast<pam_response *>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (!responses)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const Authenticator::Message message{kindOf(messages[i]->msg_style),
                                             messages[i]->msg ? messages[i]->msg : ""};
        attempt->tell(message, attempt);
        if (!message.isPrompt())
            continue;
        std::optional<std::string> answer = attempt->wait();
        if (!answer) {
            freeResponses(responses, count);
            return PAM_CONV_ERR;
        }
        responses[i].resp = strdup(answer->c_str());
        wipeSecret(*answer);
        if (!responses[i].resp) {
            freeResponses(responses, count);
            return PAM_BUF_ERR;
        }
    }
    *out = responses;
    return PAM_SUCCESS;
}

std::string currentUserName()
{
    if (const passwd *entry = getpwuid(getuid()))
        return entry->pw_name;
    return {};
}

// One attempt from start to end; the conversation blocks this thread, never the screen.
bool authenticate(const std::shared_ptr<PamAuthenticator::Attempt> &attempt)
{
    const std::string user = currentUserName();
    if (user.empty())
        return false;
    ConversationContext context{attempt};
    const pam_conv conversation{converse, &context};
    pam_handle_t *handle = nullptr;
    int status = pam_start(PamAuthenticator::serviceName, user.c_str(), &conversation, &handle);
    if (status != PAM_SUCCESS)
        return false;
    status = pam_authenticate(handle, 0);
    if (status == PAM_SUCCESS) {
        // An expired password is the account's business, not a reason to stay locked out.
        const int account = pam_acct_mgmt(handle, 0);
        if (account != PAM_SUCCESS && account != PAM_NEW_AUTHTOK_REQD)
            status = account;
    }
    if (status == PAM_SUCCESS)
        pam_setcred(handle, PAM_REFRESH_CRED); // renews Kerberos tickets and the like
    pam_end(handle, status);
    return status == PAM_SUCCESS;
}

} // namespace

PamAuthenticator::PamAuthenticator(TaskQueue &mainQueue) : mainQueue_(mainQueue)
{
}

PamAuthenticator::~PamAuthenticator()
{
    if (attempt_) {
        std::lock_guard lock(attempt_->mutex);
        attempt_->abandoned = true;
        attempt_->cancelled = true;
        attempt_->answered.notify_all();
    }
}

void PamAuthenticator::begin(Conversation conversation)
{
    if (isRunning())
        return;
    attempt_ = std::make_shared<Attempt>();
    attempt_->mainQueue = &mainQueue_;
    attempt_->conversation = std::move(conversation);
    std::thread([attempt = attempt_] {
        const bool accepted = authenticate(attempt);
        attempt->toMain([attempt, accepted] {
            if (attempt->abandoned || attempt->finished)
                return;
            attempt->finished = true;
            attempt->conversation.finished(accepted && !attempt->cancelled);
        });
    }).detach();
}

void PamAuthenticator::answer(std::string &&response)
{
    if (!isRunning()) {
        wipeSecret(response);
        return;
    }
    std::lock_guard lock(attempt_->mutex);
    if (attempt_->answer)
        wipeSecret(*attempt_->answer);
    attempt_->answer = std::move(response);
    wipeSecret(response);
    attempt_->answered.notify_all();
}

void PamAuthenticator::cancel()
{
    if (!isRunning())
        return;
    {
        std::lock_guard lock(attempt_->mutex);
        attempt_->cancelled = true;
        attempt_->answered.notify_all();
    }
    // The screen learns at once; PAM's thread ends on its own time and calls nobody.
    attempt_->finished = true;
    attempt_->conversation.finished(false);
}

bool PamAuthenticator::isRunning() const
{
    return attempt_ && !attempt_->finished;
}

} // namespace vardo
