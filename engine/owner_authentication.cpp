#include "engine/owner_authentication.h"

#include <QPointer>

namespace vardo {

OwnerAuthentication::OwnerAuthentication(Authenticator &authenticator, QObject *parent)
    : QObject(parent), authenticator_(authenticator)
{
}

OwnerAuthentication::~OwnerAuthentication()
{
    // The conversation's callbacks point here: end it first.
    if (isChecking_)
        authenticator_.cancel();
    wipeSecret(pendingPassword_);
}

void OwnerAuthentication::begin(std::string &&password, std::function<void()> accepted)
{
    if (isChecking_ || authenticator_.isRunning()) {
        wipeSecret(password);
        return;
    }
    pendingPassword_ = std::move(password);
    wipeSecret(password);
    accepted_ = std::move(accepted);
    isChecking_ = true;
    prompt_.clear();
    message_.clear();
    lastAttemptFailed_ = false;
    emit changed();
    QPointer<OwnerAuthentication> self(this);
    authenticator_.begin({
        .message = [self](const Authenticator::Message &m) { if (self) self->received(m); },
        .finished = [self](bool ok) { if (self) self->ended(ok); },
    });
}

void OwnerAuthentication::received(const Authenticator::Message &message)
{
    if (message.kind == Authenticator::Message::Kind::secretPrompt && !pendingPassword_.empty()) {
        authenticator_.answer(std::move(pendingPassword_));
        wipeSecret(pendingPassword_);
        return;
    }
    if (message.isPrompt()) {
        prompt_ = QString::fromStdString(message.text);
        promptIsSecret_ = message.kind == Authenticator::Message::Kind::secretPrompt;
    } else {
        message_ = QString::fromStdString(message.text);
    }
    emit changed();
}

void OwnerAuthentication::answer(const QString &response)
{
    if (!isChecking_ || prompt_.isEmpty())
        return;
    prompt_.clear();
    emit changed();
    std::string text = response.toStdString();
    authenticator_.answer(std::move(text));
    wipeSecret(text);
}

void OwnerAuthentication::cancel()
{
    if (isChecking_)
        authenticator_.cancel();
}

void OwnerAuthentication::ended(bool accepted)
{
    wipeSecret(pendingPassword_);
    isChecking_ = false;
    prompt_.clear();
    lastAttemptFailed_ = !accepted;
    auto onAccepted = std::move(accepted_);
    accepted_ = nullptr;
    emit changed();
    if (accepted && onAccepted)
        onAccepted();
    emit finished(accepted);
}

} // namespace vardo
