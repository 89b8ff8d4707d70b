#include "app/onboarding_rules.h"

#include <cmath>

namespace vardo {

int wholePercent(double fraction)
{
    // k/25 × 100 is not always a whole number in binary (0.57 × 100 = 56.99999…):
    // a hair of tolerance keeps it from reading one less.
    return static_cast<int>(std::floor(fraction * 100.0 + 1e-9));
}

OnboardingPage onboardingPage(int step, const OnboardingInputs &in)
{
    OnboardingPage page;
    switch (step) {
    case 0:
        page.symbol = "hand.wave.fill";
        page.titleKey = "onboarding.welcome_title";
        page.subtitleKey = "onboarding.welcome_subtitle";
        page.primaryKey = "onboarding.lets_go";
        return page;
    case 1:
        page.showsPreview = true;
        page.titleKey = in.faceDetected ? "onboarding.face_detected" : "onboarding.look_camera";
        page.subtitleKey = in.faceDetected ? "onboarding.can_see" : "onboarding.position";
        if (!in.faceDetected) {
            page.lineIsWarning = in.cameraStatus == CameraStatus::denied;
            page.lineKey = page.lineIsWarning ? "onboarding.camera_denied" : "onboarding.well_lit";
        }
        page.badge = in.faceDetected ? OnboardingBadge::faceDetected : OnboardingBadge::none;
        page.primaryKey = in.faceDetected ? "onboarding.setup_face" : "onboarding.waiting_face";
        page.primaryEnabled = in.faceDetected;
        return page;
    case 2: {
        const bool complete = in.enrollmentProgress >= 1.0;
        page.showsPreview = true;
        page.showsRing = true;
        page.ringComplete = complete;
        page.percent = wholePercent(in.enrollmentProgress);
        page.titleKey = complete ? "onboarding.face_learned" : "onboarding.learning";
        page.subtitleKey = complete ? "onboarding.recognized" : "onboarding.turn_head";
        page.noteKey = "onboarding.nothing_uploaded";
        page.badge = complete ? OnboardingBadge::faceLearned : OnboardingBadge::none;
        page.primaryKey = complete ? "onboarding.face_learned_continue" : "onboarding.learning_btn";
        page.primaryEnabled = complete;
        return page;
    }
    case 3:
        page.showsPreview = true;
        page.titleKey = in.ownerRecognized ? "onboarding.verified" : "onboarding.look_camera";
        if (in.ownerRecognized) {
            page.subtitleKey = "onboarding.verify_text";
            page.subtitleNumber = wholePercent(in.lastMatchConfidence);
            page.badge = OnboardingBadge::match;
            page.badgeNumber = page.subtitleNumber;
        } else {
            page.subtitleKey = "onboarding.verify_position";
            page.badge = OnboardingBadge::noMatch;
        }
        page.primaryKey = in.ownerRecognized ? "onboarding.verified_continue" : "onboarding.verifying";
        page.primaryEnabled = in.ownerRecognized;
        return page;
    case 4:
        page.symbol = "checkmark.seal.fill";
        page.titleKey = "onboarding.all_set_title";
        page.subtitleKey = "onboarding.all_set_subtitle";
        page.lineKey = "onboarding.all_set_detail";
        page.primaryKey = "onboarding.start_protection";
        return page;
    default:
        return page;
    }
}

} // namespace vardo
