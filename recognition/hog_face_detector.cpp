#include "recognition/hog_face_detector.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv/cv_image.h>

#include <algorithm>

namespace vardo {

struct HogFaceDetector::Detector {
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
};

HogFaceDetector::HogFaceDetector()
    : detector_(std::make_unique<Detector>())
{
}

HogFaceDetector::~HogFaceDetector() = default;

float HogFaceDetector::scoreToConfidence(double score)
{
    return static_cast<float>(std::clamp(0.5 + 0.4 * score, 0.0, 1.0));
}

std::vector<DetectedFace> HogFaceDetector::detect(const cv::Mat &grayFrame)
{
    std::vector<DetectedFace> faces;
    if (grayFrame.empty() || grayFrame.type() != CV_8UC1)
        return faces;
    std::vector<dlib::rect_detection> detections;
    detector_->detector(dlib::cv_image<unsigned char>(grayFrame), detections);
    for (const auto &d : detections) {
        DetectedFace face;
        // dlib's right and bottom edges are inclusive.
        face.box = cv::Rect2d(d.rect.left(), d.rect.top(), d.rect.width(), d.rect.height());
        face.score = scoreToConfidence(d.detection_confidence);
        faces.push_back(face);
    }
    std::sort(faces.begin(), faces.end(), [](const auto &a, const auto &b) { return a.score > b.score; });
    return faces;
}

} // namespace vardo
