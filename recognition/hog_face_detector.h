#pragma once

#include "recognition/blazeface_detector.h"

#include <opencv2/core.hpp>

#include <memory>
#include <vector>

namespace vardo {

// dlib's HOG frontal-face detector: needs no model file, so it stands in when the
// network detector cannot be loaded. Its window is 80 pixels: in a 640 x 480 frame it
// finds faces from about 80 pixels up, at several times the network's cost.
class HogFaceDetector {
public:
    HogFaceDetector();
    ~HogFaceDetector();
    HogFaceDetector(const HogFaceDetector &) = delete;
    HogFaceDetector &operator=(const HogFaceDetector &) = delete;

    // Faces of an 8-bit grey frame, best first. The detector's score s (true faces about
    // 0.8 and up, false ones below 0) becomes the probability-like 0.5 + 0.4 s, cut to
    // 0..1; no key points.
    std::vector<DetectedFace> detect(const cv::Mat &grayFrame);

    static float scoreToConfidence(double score);

private:
    struct Detector;
    std::unique_ptr<Detector> detector_;
};

} // namespace vardo
