#include "app/first_start.h"

#include "app/camera_preview_item.h"
#include "engine/camera_preview.h"

#include <QJSEngine>
#include <QQmlEngine>

namespace vardo {

namespace {

template <typename T>
void registerShared(const char *name, T &object)
{
    QJSEngine::setObjectOwnership(&object, QJSEngine::CppOwnership);
    qmlRegisterSingletonType<T>("NerovaVardo", 1, 0, name, [&object](QQmlEngine *, QJSEngine *) -> QObject * {
        return &object;
    });
}

} // namespace

FirstStart::FirstStart(FirstStartServices s)
    : reveal(s.timers)
    , onboarding(s.service)
    , integrity(s.programPath, s.packages, s.backgroundQueue, s.mainQueue)
    , report(s.service, s.camera, s.system, integrity, s.log)
{
}

void FirstStart::registerQmlTypes()
{
    registerShared("WelcomeReveal", reveal);
    registerShared("Onboarding", onboarding);
    registerShared("Links", links);
    registerShared("Documents", documents);
    registerShared("Integrity", integrity);
    registerShared("ProblemReport", report);
    qmlRegisterUncreatableType<CameraPreview>("NerovaVardo", 1, 0, "CameraPreview",
                                              QStringLiteral("the engine's Vardo.cameraPreview"));
    qmlRegisterType<CameraPreviewItem>("NerovaVardo", 1, 0, "CameraPreviewView");
}

} // namespace vardo
