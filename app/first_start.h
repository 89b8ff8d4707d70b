#pragma once

#include "app/integrity_status.h"
#include "app/legal_documents.h"
#include "app/onboarding_flow.h"
#include "app/problem_report.h"
#include "app/product_links.h"
#include "app/welcome_reveal.h"

namespace vardo {

class Camera;
class RecentLogLines;
class SystemDescriber;
class PackageOrigin;
class TaskQueue;
class Timers;
class VardoService;

// What the first-start pieces of the main window need from the application.
struct FirstStartServices {
    VardoService &service;
    Timers &timers;
    TaskQueue &mainQueue;
    TaskQueue &backgroundQueue;
    Camera &camera;
    SystemDescriber &system;
    PackageOrigin &packages;
    const RecentLogLines *log = nullptr; // the lines a problem report shows; none without
    QString programPath;                 // the running program, for the integrity check
};

// The objects behind the welcome screen, the onboarding sheet and the information
// sheets, made once per process and handed to QML.
class FirstStart {
public:
    explicit FirstStart(FirstStartServices services);

    // QML, module "NerovaVardo": the singletons WelcomeReveal, Onboarding, Links,
    // Documents, Integrity, ProblemReport and the item CameraPreviewView. Call once,
    // before the first window loads.
    void registerQmlTypes();

    WelcomeReveal reveal;
    OnboardingFlow onboarding;
    ProductLinks links;
    LegalDocuments documents;
    IntegrityStatus integrity;
    ProblemReport report;
};

} // namespace vardo
