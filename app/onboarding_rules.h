#pragma once

#include "engine/vardo_service.h"

namespace vardo {

// The rules of the five-step onboarding sheet: what each step shows and when its
// primary button may be pressed, from the engine's published state. Plain functions, so
// that the sheet and the tests share one definition.

// A fraction (0.876) as the whole percentage the sheet shows (87): the whole part,
// never rounded up, so that 99.6 % of an enrolment does not read 100.
int wholePercent(double fraction);

// What the steps read of the engine.
struct OnboardingInputs {
    bool faceDetected = false;
    CameraStatus cameraStatus = CameraStatus::unknown;
    double enrollmentProgress = 0.0;
    bool ownerRecognized = false;
    double lastMatchConfidence = 0.0;
};

enum class OnboardingBadge {
    none,
    faceDetected, // green, step 1
    faceLearned,  // green, step 2 when complete
    match,        // green with the percentage, step 3
    noMatch,      // red, step 3
};

struct OnboardingPage {
    const char *symbol = "";       // the large symbol of steps 0 and 4
    bool showsPreview = false;     // steps 1 to 3
    bool showsRing = false;        // step 2: the learning ring over the preview
    bool ringComplete = false;
    int percent = 0;               // step 2: the ring's percentage
    const char *titleKey = "";
    const char *subtitleKey = "";
    int subtitleNumber = -1;       // formatted into the subtitle when not negative
    const char *lineKey = "";      // a third line, empty for none
    bool lineIsWarning = false;    // step 1, camera denied: red, with the way to allow it
    const char *noteKey = "";      // the small print under the texts
    OnboardingBadge badge = OnboardingBadge::none;
    int badgeNumber = -1;
    const char *primaryKey = "onboarding.continue";
    bool primaryEnabled = true;
};

OnboardingPage onboardingPage(int step, const OnboardingInputs &inputs);

inline constexpr int onboardingStepCount = 5;

} // namespace vardo
