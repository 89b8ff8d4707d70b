// The failed-match lockout: after five failed owner matches, face unlock stays off until
// the account password is given. The count and the time of the lockout are kept in the
// secret store, so a restart does not clear them; a lockout older than five minutes is
// lifted at the next start.

#include "engine/vardo_service.h"

#include "platform/clock.h"
#include "platform/log_sink.h"
#include "platform/secret_item_labels.h"
#include "platform/secret_store.h"
#include "utils/decimal_text.h"

#include <QStringDecoder>

namespace vardo {


// State-store errors are silent: a failed save only loses persistence. The store's add
// replaces the old entry only once the new one is written.
void VardoService::saveStateValue(const std::string &value, const std::string &account)
{
    platform_.secrets.add(keychainService, account, secretItemLabel(keychainService, account), Bytes(value.begin(), value.end()));
}

std::optional<std::string> VardoService::loadStateValue(const std::string &account)
{
    Bytes secret;
    if (!platform_.secrets.find(keychainService, account, secret).ok())
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(QByteArrayView(secret.data(), static_cast<qsizetype>(secret.size())));
    if (utf8.hasError())
        return std::nullopt;
    return text.toStdString();
}

void VardoService::deleteStateValue(const std::string &account)
{
    platform_.secrets.remove(keychainService, account);
}

// The count is written only when it differs from the stored one: the owner in view
// clears it on every recognised frame, six times a second, and each write is a
// blocking call to the keyring (with a locked keyring, an unlock prompt).
void VardoService::storeFailedMatchAttempts()
{
    if (failedMatchAttempts_ == storedFailedMatchAttempts_)
        return;
    saveStateValue(std::to_string(failedMatchAttempts_), "failed_attempts");
    storedFailedMatchAttempts_ = failedMatchAttempts_;
}

void VardoService::recordFailedMatch()
{
    ++failedMatchAttempts_;
    storeFailedMatchAttempts();
    platform_.log.write("[FaceID] Failed attempt " + std::to_string(failedMatchAttempts_) + "/"
                        + std::to_string(maxFailedAttempts));
    if (intruderPhotoEnabled_ && failedMatchAttempts_ >= intruderPhotoThreshold_)
        captureIntruderPhoto();
    if (failedMatchAttempts_ < maxFailedAttempts)
        return;
    setIsFaceLocked(true);
    saveStateValue(doubleText(platform_.clock.now()), "lockout_time");
    platform_.log.write("[FaceID] \u26A0\uFE0F Face recognition locked after " + std::to_string(maxFailedAttempts)
                        + " failed attempts — password required");
}

void VardoService::restoreLockoutState()
{
    if (const auto stored = loadStateValue("failed_attempts"))
        if (const auto count = parseDecimalInteger(*stored))
            failedMatchAttempts_ = storedFailedMatchAttempts_ = *count;
    if (failedMatchAttempts_ < maxFailedAttempts)
        return;
    const auto storedTime = loadStateValue("lockout_time");
    const auto lockoutTime = storedTime ? parseDecimalDouble(*storedTime) : std::nullopt;
    if (lockoutTime && platform_.clock.now() - *lockoutTime > lockoutDuration) {
        clearFaceLockout();
        return;
    }
    setIsFaceLocked(true);
}

// The three ways out of a lockout (the password on the lock screen, the return through
// the login screen, a restart after five minutes) clear it the same way.
void VardoService::clearFaceLockout()
{
    failedMatchAttempts_ = 0;
    setIsFaceLocked(false);
    saveStateValue("0", "failed_attempts");
    storedFailedMatchAttempts_ = 0;
    deleteStateValue("lockout_time");
}

} // namespace vardo
