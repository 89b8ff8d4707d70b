#pragma once

#include "platform/log_sink.h"
#include "recognition/blazeface_detector.h"
#include "recognition/face_observation.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <memory>

namespace vardo {

// dlib's 68-point shape predictor ("shape_predictor_68_face_landmarks.dat", from
// Debian's libdlib-data), evaluated by PackedShapePredictor (the same points, faster
// between network runs): outlines a detected face and turns it into the
// FaceObservation the rest of recognition reads. Not thread-safe: one instance per
// thread that runs it.
class FaceLandmarker {
public:
    static constexpr const char *fileName = "shape_predictor_68_face_landmarks.dat";

    FaceLandmarker();
    ~FaceLandmarker();
    FaceLandmarker(const FaceLandmarker &) = delete;
    FaceLandmarker &operator=(const FaceLandmarker &) = delete;

    // Looks in the model folders, then in dlib's Debian folder. Writes
    // "[FaceID] Failed to load landmark model: <reason>" when it cannot.
    bool load(LogSink &log);
    // The file load() reads: the first in the model folders, else dlib's Debian one.
    static std::filesystem::path modelFile();
    bool loadFile(const std::filesystem::path &file, LogSink &log);
    bool isLoaded() const;

    // Where the detector's box sits relative to the box the shape predictor was trained
    // on (dlib's HOG detector's), as fractions of the detector box's width.
    struct BoxAdjustment {
        double shiftX = 0.0;
        double shiftY = 0.0;
        double scale = 1.0;
    };
    // BlazeFace boxes reach lower, down over the chin: measured on the test faces the
    // HOG box's centre sits 0.15 box widths higher and its side is 0.97 times as long.
    static constexpr BoxAdjustment blazeFaceBoxes{0.0, -0.15, 0.97};
    static constexpr BoxAdjustment hogBoxes{0.0, 0.0, 1.0};

    // The observation of one detected face of an 8-bit frame, BGR or grey (the points are
    // the same either way): normalised lower-left box, the detector's score as confidence
    // and both eye outlines. Without a loaded model the eye outlines are left out (the
    // face then counts as eyes-open).
    FaceObservation observe(const cv::Mat &frame, const DetectedFace &face, BoxAdjustment adjustment) const;

private:
    struct Model;
    std::unique_ptr<Model> model_;
};

} // namespace vardo
