#include "recognition/face_landmarker.h"

#include "recognition/model_locator.h"
#include "recognition/packed_shape_predictor.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace vardo {

namespace {

constexpr const char *debianLandmarkModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

// In the 68-point layout points 36-41 outline the eye on the image's left, which is the
// subject's right eye, and 42-47 the subject's left eye. Both run corner, upper lid,
// upper lid, corner, lower lid, lower lid: the order the eye-openness ratio reads.
constexpr unsigned long subjectRightEyeFirstPoint = 36;
constexpr unsigned long subjectLeftEyeFirstPoint = 42;

} // namespace

struct FaceLandmarker::Model {
    PackedShapePredictor predictor;
    bool loaded = false;
};

FaceLandmarker::FaceLandmarker()
    : model_(std::make_unique<Model>())
{
}

FaceLandmarker::~FaceLandmarker() = default;

std::filesystem::path FaceLandmarker::modelFile()
{
    return findModelFile(fileName).value_or(std::filesystem::path(debianLandmarkModel));
}

bool FaceLandmarker::load(LogSink &log)
{
    return loadFile(modelFile(), log);
}

bool FaceLandmarker::loadFile(const std::filesystem::path &file, LogSink &log)
{
    model_->loaded = false;
    const auto fail = [&](const std::string &reason) {
        model_->predictor = PackedShapePredictor();
        log.write("[FaceID] Failed to load landmark model: " + file.string() + ": " + reason);
        return false;
    };
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return fail("no such file");
    try {
        model_->predictor.load(file);
    } catch (const std::exception &e) {
        std::string reason = e.what();
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        return fail(reason);
    }
    if (model_->predictor.partCount() != 68)
        return fail("not a 68-point model");
    model_->loaded = true;
    return true;
}

bool FaceLandmarker::isLoaded() const
{
    return model_->loaded;
}

FaceObservation FaceLandmarker::observe(const cv::Mat &frame, const DetectedFace &face, BoxAdjustment adjustment) const
{
    const double width = frame.cols;
    const double height = frame.rows;
    const cv::Rect2d &box = face.box;

    FaceObservation observation;
    observation.boundingBox = cv::Rect2d(box.x / width, (height - box.y - box.height) / height, box.width / width,
                                         box.height / height);
    observation.confidence = face.score;
    if (height > 0.0)
        observation.frameAspect = width / height;
    if (!model_->loaded || frame.empty() || (frame.type() != CV_8UC1 && frame.type() != CV_8UC3))
        return observation;

    const double side = box.width * adjustment.scale;
    const double centreX = box.x + box.width / 2 + adjustment.shiftX * box.width;
    const double centreY = box.y + box.height / 2 + adjustment.shiftY * box.width;
    const dlib::rectangle predictorBox(std::lround(centreX - side / 2), std::lround(centreY - side / 2),
                                       std::lround(centreX + side / 2) - 1, std::lround(centreY + side / 2) - 1);
    const std::vector<dlib::point> shape = model_->predictor(frame, predictorBox);

    const auto eye = [&](unsigned long first) {
        std::vector<cv::Point2d> points;
        points.reserve(6);
        for (unsigned long i = first; i < first + 6; ++i) {
            const dlib::point &p = shape[i];
            // Pixel centres, flipped to the lower-left origin.
            points.emplace_back((p.x() + 0.5) / width, 1.0 - (p.y() + 0.5) / height);
        }
        return points;
    };
    observation.leftEye = eye(subjectLeftEyeFirstPoint);
    observation.rightEye = eye(subjectRightEyeFirstPoint);
    return observation;
}

} // namespace vardo
