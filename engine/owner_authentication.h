#pragma once

#include "platform/authenticator.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace vardo {

// The owner proves who they are with the account password (or whatever the system's
// authentication asks): the lock screen's password field and the confirmation of a face
// reset. The typed password answers the first secret question; any further question (a
// one-time code) and the system's messages are published for the screen to show.
class OwnerAuthentication final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY changed)
    // The question the system waits on, when the typed password did not answer it.
    Q_PROPERTY(QString prompt READ prompt NOTIFY changed)
    Q_PROPERTY(bool promptIsSecret READ promptIsSecret NOTIFY changed)
    // The system's last message ("Authentication failure", "Place your finger ...").
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool lastAttemptFailed READ lastAttemptFailed NOTIFY changed)

public:
    explicit OwnerAuthentication(Authenticator &authenticator, QObject *parent = nullptr);
    ~OwnerAuthentication() override;

    // Starts a check; `accepted` runs once the system accepts. Ignored while a check runs.
    void begin(std::string &&password, std::function<void()> accepted);

    Q_INVOKABLE void answer(const QString &response);
    Q_INVOKABLE void cancel();

    bool isChecking() const { return isChecking_; }
    QString prompt() const { return prompt_; }
    bool promptIsSecret() const { return promptIsSecret_; }
    QString message() const { return message_; }
    bool lastAttemptFailed() const { return lastAttemptFailed_; }

signals:
    void changed();
    void finished(bool accepted);

private:
    void received(const Authenticator::Message &message);
    void ended(bool accepted);

    Authenticator &authenticator_;
    std::string pendingPassword_;
    std::function<void()> accepted_;
    bool isChecking_ = false;
    QString prompt_;
    bool promptIsSecret_ = false;
    QString message_;
    bool lastAttemptFailed_ = false;
};

} // namespace vardo
