#pragma once

namespace vardo {

class Authenticator;
class FrameAnalysis;
class IntruderPhotoFolder;
class OverlayWindows;

// The engine's sibling modules: the parts of the application the engine drives but does
// not contain. The application chooses them (real windows with a display, a logging
// stand-in without one); tests and the replay give recorders. Fill it by name.
struct EngineModules {
    OverlayWindows &overlays;
    // The account password (or whatever the system's authentication asks for) that
    // unlocks the lock overlay and allows resetting the enrolled face.
    Authenticator &authenticator;
    // Where photos of strangers at the locked screen are stored and found again.
    IntruderPhotoFolder &intruderPhotoFolder;
    // Finds faces and computes embeddings on the processing queue; none means analysed
    // frames end after intake.
    FrameAnalysis *frameAnalysis = nullptr;
};

} // namespace vardo
