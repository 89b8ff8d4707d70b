// Owner recognition on the main thread: matching against the enrolled set, enrolment
// from 25 samples, adaptive learning, and the enrolled set in the secret store.

#include "engine/vardo_service.h"

#include "platform/clock.h"
#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "platform/secret_item_labels.h"
#include "platform/secret_store.h"
#include "recognition/embedding_codec.h"
#include "recognition/enrollment_selection.h"
#include "recognition/owner_matching.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vardo {

namespace {

constexpr const char *legacyEmbeddingsService = "com.nerova.vardo.face-signatures";
constexpr const char *ownerAccount = "owner";
constexpr double enrollmentSampleInterval = 1.0;
// Compared as 32-bit floats, like the similarities themselves: as a double the limit would
// let a similarity of 0.95f (just below 0.95) through.
constexpr float nearDuplicateSimilarity = 0.95f;
constexpr std::size_t keptFirstEmbeddings = 25; // the enrolment itself survives trimming

// Why a decoded set cannot be the owner's, or nothing when it can: every embedding has
// the model's 512 values, all finite, and there are at most 50 of them. Anything else
// would load as "enrolled" while the owner could never match.
std::optional<std::string> unusableSetReason(const std::vector<Embedding> &set)
{
    if (static_cast<qint64>(set.size()) > VardoService::maxTotalEmbeddings)
        return std::to_string(set.size()) + " embeddings, more than "
            + std::to_string(VardoService::maxTotalEmbeddings);
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (set[i].size() != embeddingLength)
            return "embedding " + std::to_string(i + 1) + " has " + std::to_string(set[i].size())
                + " values instead of " + std::to_string(embeddingLength);
        if (!std::all_of(set[i].begin(), set[i].end(), [](float v) { return std::isfinite(v); }))
            return "embedding " + std::to_string(i + 1) + " holds a value that is not a finite number";
    }
    return std::nullopt;
}

float adaptiveLowerBound(qint64 securityLevel)
{
    return securityLevel == 0 ? 0.55f : securityLevel == 2 ? 0.7f : 0.6f;
}

} // namespace

bool VardoService::matchesOwner(const Embedding &embedding)
{
    if (ownerFaceEmbeddings_.empty())
        return false;
    const MatchScore score = scoreAgainstEnrolled(ownerFaceEmbeddings_, embedding);
    setLastMatchConfidence(score.combined);
    const float threshold = matchThreshold(static_cast<int>(std::clamp<qint64>(securityLevel_, -1, 3)));
    platform_.log.write(matchLogLine(score, threshold));
    return isOwnerMatch(score, threshold);
}

void VardoService::startEnrollment()
{
    setIsEnrolling(true);
    enrollmentSamples_.clear();
    setEnrollmentProgress(0.0);
}

// A finished enrolment keeps its progress of 1.0; only a running one is rolled back.
void VardoService::cancelEnrollment()
{
    if (!isEnrolling_)
        return;
    setIsEnrolling(false);
    setEnrollmentProgress(0.0);
}

void VardoService::addEnrollmentSample(const Embedding &embedding)
{
    const double now = platform_.clock.now();
    if (now - lastEnrollmentSampleTime_ < enrollmentSampleInterval)
        return;
    lastEnrollmentSampleTime_ = now;
    enrollmentSamples_.push_back(embedding);
    setEnrollmentProgress(static_cast<double>(enrollmentSamples_.size()) / enrollmentSamplesNeeded);
    if (static_cast<qint64>(enrollmentSamples_.size()) < enrollmentSamplesNeeded)
        return;
    ownerFaceEmbeddings_ = selectEnrollmentEmbeddings(enrollmentSamples_);
    saveEmbeddings();
    setIsEnrolling(false);
    setIsOwnerEnrolled(true);
    setEnrollmentProgress(1.0);
    enrollmentCompletedTime_ = platform_.clock.now();
    platform_.log.write("[FaceID] Enrollment complete — " + std::to_string(ownerFaceEmbeddings_.size())
                        + " embeddings saved");
}

// Follows slow changes of the owner's appearance without drifting towards someone else:
// only clear but not near-identical matches are added, at most ten over the set's life.
void VardoService::adaptiveUpdate(const Embedding &embedding)
{
    if (!isOwnerEnrolled_ || isEnrolling_ || adaptiveUpdateCount_ >= maxAdaptiveUpdates)
        return;
    float best = 0.0f;
    for (const auto &enrolled : ownerFaceEmbeddings_)
        best = std::max(best, embeddingSimilarity(enrolled, embedding));
    if (best < adaptiveLowerBound(securityLevel_) || best >= nearDuplicateSimilarity)
        return;
    ownerFaceEmbeddings_.push_back(embedding);
    ++adaptiveUpdateCount_;
    writeSetting(platform_.defaults, SettingId::adaptiveUpdateCount, static_cast<std::int64_t>(adaptiveUpdateCount_));
    const auto count = static_cast<qint64>(ownerFaceEmbeddings_.size());
    if (count > maxTotalEmbeddings) {
        // Drop the oldest additions after the enrolment itself.
        ownerFaceEmbeddings_.erase(ownerFaceEmbeddings_.begin() + keptFirstEmbeddings,
                                   ownerFaceEmbeddings_.begin() + (count - static_cast<qint64>(keptFirstEmbeddings)));
    }
    saveEmbeddings();
    platform_.log.write("[FaceID] Adaptive enrollment: added embedding #" + std::to_string(ownerFaceEmbeddings_.size())
                        + " (update " + std::to_string(adaptiveUpdateCount_) + "/"
                        + std::to_string(maxAdaptiveUpdates) + ")");
}

void VardoService::resetFaceWithPassword(const QString &password)
{
    authentication_.begin(password.toStdString(), [this] {
        // Protection goes first, so the engine never runs enabled without an enrolled face.
        setProtectionEnabled(false);
        resetFaceEnrollment();
    });
}

void VardoService::resetFaceEnrollment()
{
    ownerFaceEmbeddings_.clear();
    enrollmentSamples_.clear();
    setIsOwnerEnrolled(false);
    setOwnerRecognized(false);
    setEnrollmentProgress(0.0);
    adaptiveUpdateCount_ = 0;
    writeSetting(platform_.defaults, SettingId::adaptiveUpdateCount, std::int64_t{0});
    writeSetting(platform_.defaults, SettingId::hasEnrolledFace, false);
    platform_.secrets.remove(keychainKey, ownerAccount);
    platform_.secrets.removeLegacy(keychainKey, ownerAccount);
    platform_.secrets.remove(legacyEmbeddingsService, ownerAccount);
}

// The set is replaced whole. The store's add replaces an existing item only once the new
// one is written, so the old set is not deleted first: a failed save must not lose the
// stored set. The set stays in use in memory either way; the status line reports it.
void VardoService::saveEmbeddings()
{
    const auto json = encodeEmbeddings(ownerFaceEmbeddings_);
    if (!json)
        return;
    const auto result = platform_.secrets.add(keychainKey, ownerAccount, secretItemLabel(keychainKey, ownerAccount),
                                              Bytes(json->begin(), json->end()));
    std::string line = "[FaceID] Save to Data Protection Keychain status: " + std::to_string(result.status) + " (0 = success)";
    if (!result.error.empty())
        line += " — " + result.error;
    platform_.log.write(line);
    writeSetting(platform_.defaults, SettingId::hasEnrolledFace, true);
}

void VardoService::loadEmbeddings()
{
    Bytes data;
    const auto result = platform_.secrets.find(keychainKey, ownerAccount, data);
    std::string line = "[FaceID] Data Protection Keychain query status: " + std::to_string(result.status)
        + " (0 = success, -25300 = not found)";
    if (!result.error.empty())
        line += " — " + result.error;
    platform_.log.write(line);
    if (result.ok()) {
        auto set = decodeEmbeddings(data);
        const auto problem = set ? unusableSetReason(*set)
                                 : std::optional<std::string>("not a JSON array of arrays of numbers");
        if (!problem) {
            ownerFaceEmbeddings_ = std::move(*set);
            setIsOwnerEnrolled(!ownerFaceEmbeddings_.empty());
            platform_.log.write("[FaceID] Loaded " + std::to_string(ownerFaceEmbeddings_.size())
                                + " enrolled embeddings from Data Protection Keychain");
            return;
        }
        platform_.log.write("[FaceID] Stored face data not used (" + *problem
                            + ") — not enrolled until the face is taught again");
    }
    // An older version kept the set where the secret store's legacy lookup finds it:
    // adopt it, store it the current way, then remove the old item. The legacy removal
    // never touches the item just saved, and happens only once the current store holds
    // the set: after a failed save the old item is the only copy, and the next start
    // migrates it again.
    Bytes legacy;
    if (!platform_.secrets.findLegacy(keychainKey, ownerAccount, legacy).ok())
        return;
    auto set = decodeEmbeddings(legacy);
    if (!set || unusableSetReason(*set))
        return;
    ownerFaceEmbeddings_ = std::move(*set);
    setIsOwnerEnrolled(!ownerFaceEmbeddings_.empty());
    platform_.log.write("[FaceID] Loaded " + std::to_string(ownerFaceEmbeddings_.size())
                        + " enrolled embeddings from legacy Keychain — migrating");
    saveEmbeddings();
    const auto json = encodeEmbeddings(ownerFaceEmbeddings_);
    Bytes saved;
    if (!json || !platform_.secrets.find(keychainKey, ownerAccount, saved).ok()
        || saved != Bytes(json->begin(), json->end()))
        return;
    platform_.secrets.removeLegacy(keychainKey, ownerAccount);
}

void VardoService::seedEnrolledSet(std::vector<Embedding> embeddings)
{
    ownerFaceEmbeddings_ = std::move(embeddings);
    setIsOwnerEnrolled(!ownerFaceEmbeddings_.empty());
}

} // namespace vardo
