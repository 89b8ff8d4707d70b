// The frame decision loop: what one analysed frame means. It runs on the main thread
// for every frame, in one fixed order, and turns single frames into decisions with
// hysteresis: match and miss streaks with a grace period for the owner, crowded and
// clean streaks for the shoulder guard.

#include "engine/vardo_service.h"

#include "platform/clock.h"

namespace vardo {

namespace {

constexpr double ownerGracePeriod = 3.0;        // a miss this soon after a match is not counted
constexpr double quietAfterEnrollment = 5.0;
constexpr double quietAfterManualUnlock = 10.0;
constexpr qint64 analysedFramesPerSecond = 6;
constexpr qint64 framesPerIntruderUnit = 5;
constexpr std::size_t maxIntruderPhotosPerLock = 5;

// The guard rises after stealthDelay seconds of crowded frames, or at once for 0.
bool guardDue(qint64 stealthDelay, qint64 crowdedFrames)
{
    const qint64 needed = stealthDelay * analysedFramesPerSecond;
    return needed < 1 ? crowdedFrames >= 1 : crowdedFrames >= needed;
}

} // namespace

void VardoService::applyFrameResults(const FrameResults &frame)
{
    const qint64 faces = frame.faceCount;
    const auto &all = frame.allEmbeddings;
    const auto &openEyes = frame.openEyeEmbeddings;
    const double now = platform_.clock.now();

    setFaceDetected(faces > 0);
    setDetectedFaceCount(faces);

    // While enrolling nothing else runs: no recognition, no guard, no away logic.
    if (isEnrolling_) {
        if (faces != 1 || openEyes.empty())
            return;
        startLivenessCheckForEnrollment(frame);
        addEnrollmentSample(openEyes.front());
        return;
    }

    const bool onboarded = hasCompletedOnboarding_;
    bool present = faces > 0;

    // Strangers, and the owner's face among the eyes-open ones.
    qint64 strangers = 0;
    const Embedding *ownerFace = nullptr;
    if (!isOwnerEnrolled_) {
        strangers = std::max<qint64>(faces - 1, 0);
    } else {
        for (const auto &embedding : all)
            strangers += matchesOwner(embedding) ? 0 : 1;
        double ownerScore = 0.0;
        for (const auto &embedding : openEyes) {
            if (matchesOwner(embedding)) {
                ownerFace = &embedding;
                ownerScore = lastMatchConfidence_;
            }
        }
        // Publish the owner's score, not that of a later face that did not match.
        if (ownerFace)
            setLastMatchConfidence(ownerScore);
    }

    if (isLocked_ && faces > 0)
        runLivenessChecks(frame);

    // At a locked screen a matching face counts towards the owner only once it has shown
    // itself live; until then the frame is one without a match (a photo held up to the
    // camera is not the owner, and counts towards intruder photos as any unknown face).
    if (isLocked_ && ownerFace && !livenessShown(now))
        ownerFace = nullptr;

    // Owner present or absent.
    if (isOwnerEnrolled_ && !openEyes.empty() && !isFaceLocked_) {
        if (!ownerFace) {
            const bool withinGrace = lastOwnerSeenTime_ && now - *lastOwnerSeenTime_ < ownerGracePeriod;
            if (!withinGrace) {
                ++consecutiveOwnerMiss_;
                consecutiveOwnerMatch_ = 0;
                if (consecutiveOwnerMiss_ == framesNeededToLock)
                    recordFailedMatch();
            }
        } else {
            ++consecutiveOwnerMatch_;
            consecutiveOwnerMiss_ = 0;
            lastOwnerSeenTime_ = now;
            if (consecutiveOwnerMatch_ >= framesNeededToUnlock) {
                failedMatchAttempts_ = 0;
                storeFailedMatchAttempts();
            }
        }
        const bool recognised = consecutiveOwnerMatch_ >= framesNeededToUnlock;
        setOwnerRecognized(recognised);
        // Learning takes only an embedding computed on this frame: one taken over from an
        // earlier frame is no new look at the owner and may have been offered already.
        if (recognised && ownerFace && !frame.isReusedOpenEyeEmbedding(ownerFace - openEyes.data()))
            adaptiveUpdate(*ownerFace);
        present = recognised;
    } else if (isFaceLocked_) {
        setOwnerRecognized(false);
        present = false;
    } else if (!isOwnerEnrolled_) {
        if (!isLocked_) {
            setOwnerRecognized(present);
        } else {
            setOwnerRecognized(false);
            present = false;
        }
        consecutiveOwnerMatch_ = 0;
        consecutiveOwnerMiss_ = 0;
    } else {
        // Enrolled, but no eyes-open face in this frame (or no face at all).
        setOwnerRecognized(false);
        present = false;
        ++consecutiveOwnerMiss_;
        consecutiveOwnerMatch_ = 0;
    }

    // Shoulder guard.
    if (stealthModeEnabled_ && !isStealthPaused_) {
        if (strangers >= 1 && faces > maxAllowedFaces_) {
            ++consecutiveMultiFaceCount_;
            consecutiveCleanFrames_ = 0;
            if (guardDue(stealthDelay_, consecutiveMultiFaceCount_) && !isStealthActive_)
                activateStealth(faces);
        } else {
            consecutiveMultiFaceCount_ = 0;
            if (isStealthActive_ && ++consecutiveCleanFrames_ >= framesNeededToDeactivateStealth) {
                setIsStealthActive(false);
                consecutiveCleanFrames_ = 0;
            }
        }
    } else {
        consecutiveMultiFaceCount_ = 0;
        consecutiveCleanFrames_ = 0;
        if (isStealthActive_)
            setIsStealthActive(false);
    }

    // Away logic, behind its gates.
    if (!onboarded || !isEnabled_ || !isOwnerEnrolled_ || now - enrollmentCompletedTime_ < quietAfterEnrollment
        || now - manualUnlockTime_ < quietAfterManualUnlock)
        return;

    if (present) {
        cancelCountdown();
        if (!isLocked_)
            return;
        if (lockMode_ == LockMode::appOnly) {
            unlockForOwner();
            return;
        }
        // The session lock ends by itself when the owner logs back in; only the
        // engine's own record of it is cleared here.
        setIsLocked(false);
        if (!intruderPhotos_.empty())
            setShowIntruderAlert(true);
        return;
    }

    if (faces > 0 && isLocked_) {
        if (intruderPhotoEnabled_) {
            ++intruderFrameCount_;
            if (intruderFrameCount_ == intruderPhotoThreshold_ * framesPerIntruderUnit
                && intruderPhotos_.size() < maxIntruderPhotosPerLock)
                captureIntruderPhoto();
        }
    } else if (faces == 0) {
        intruderFrameCount_ = 0;
    }
    // A stranger's face never stops a running countdown; only the recognised owner does.
    if (!isLocked_)
        startCountdown();
}

// Faces only the rectangle counter saw (smaller, further away) still feed the guard,
// once there are more of them than allowed. The owner is not excluded here: nothing
// tells who the extra faces are.
void VardoService::applyFaceCountUpdate(qint64 faceCount)
{
    setDetectedFaceCount(faceCount);
    if (faceCount < 2 || faceCount <= maxAllowedFaces_ || !stealthModeEnabled_ || isStealthPaused_)
        return;
    ++consecutiveMultiFaceCount_;
    consecutiveCleanFrames_ = 0;
    if (guardDue(stealthDelay_, consecutiveMultiFaceCount_) && !isStealthActive_)
        activateStealth(faceCount);
}

} // namespace vardo
