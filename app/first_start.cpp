#include "app/first_start.h"

#include "app/camera_preview_item.h"
#include "engine/camera_preview.h"
#include "screens/qml_types.h"

namespace vardo {

FirstStart::FirstStart(FirstStartServices s)
    : reveal(s.timers)
    , onboarding(s.service)
    , integrity(s.programPath, s.packages, s.backgroundQueue, s.mainQueue)
    , report(s.service, s.camera, s.system, integrity, s.log)
{
}

void FirstStart::registerQmlTypes()
{
    registerSharedQmlObject("NerovaVardo", "WelcomeReveal", reveal);
    registerSharedQmlObject("NerovaVardo", "Onboarding", onboarding);
    registerSharedQmlObject("NerovaVardo", "Links", links);
    registerSharedQmlObject("NerovaVardo", "Documents", documents);
    registerSharedQmlObject("NerovaVardo", "Integrity", integrity);
    registerSharedQmlObject("NerovaVardo", "ProblemReport", report);
    qmlRegisterUncreatableType<CameraPreview>("NerovaVardo", 1, 0, "CameraPreview",
                                              QStringLiteral("the engine's Vardo.cameraPreview"));
    qmlRegisterType<CameraPreviewItem>("NerovaVardo", 1, 0, "CameraPreviewView");
}

} // namespace vardo
