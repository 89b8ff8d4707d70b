#include "engine/camera_preview.h"

#include "platform/log_sink.h"
#include "recognition/quality_gates.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace vardo {

namespace {

// The gates' reasons are logged where recognition applies them, not again here.
class SilentLog final : public LogSink {
public:
    void write(std::string_view) override {}
};

} // namespace

CameraPreview::CameraPreview(QObject *parent) : QObject(parent) {}

void CameraPreview::addViewer()
{
    if (viewers_++ == 0)
        wanted_.store(true, std::memory_order_relaxed);
}

void CameraPreview::removeViewer()
{
    if (viewers_ == 0 || --viewers_ > 0)
        return;
    wanted_.store(false, std::memory_order_relaxed);
    // A picture of the past must not greet the next viewer.
    clear();
}

bool CameraPreview::isDue(double now)
{
    if (!isWanted())
        return false;
    // A frame a little early still counts, so that a 30 fps camera gives every third
    // frame rather than every fourth; a clock that went back starts afresh.
    if (now - lastPictureTime_ < frameInterval * 0.9 && now >= lastPictureTime_)
        return false;
    lastPictureTime_ = now;
    return true;
}

cv::Mat CameraPreview::makePicture(const cv::Mat &bgr)
{
    if (bgr.empty())
        return {};
    cv::Mat scaled;
    cv::resize(bgr, scaled, cv::Size(pictureWidth, pictureHeight), 0, 0, cv::INTER_AREA);
    cv::Mat mirrored;
    cv::flip(scaled, mirrored, 1);
    return mirrored;
}

void CameraPreview::publishPicture(cv::Mat picture)
{
    if (viewers_ == 0 || picture.empty())
        return;
    picture_ = std::move(picture);
    ++frameNumber_;
    emit frameChanged();
}

void CameraPreview::publishFaces(const std::vector<FaceObservation> &observations)
{
    if (viewers_ == 0)
        return;
    std::vector<QRectF> boxes;
    boxes.reserve(observations.size());
    // Only faces recognition can use are outlined: a box around a face that is too far
    // away, or around something the detector is unsure of, would tell the user that all
    // is well when it is not.
    SilentLog silent;
    for (const auto &observation : observations)
        if (checkQualityGates(observation, silent) == FaceGate::ok)
            boxes.push_back(mirroredFaceBox(observation.boundingBox));
    if (boxes == faceBoxes_)
        return;
    faceBoxes_ = std::move(boxes);
    emit facesChanged();
}

void CameraPreview::clear()
{
    const bool hadPicture = !picture_.empty();
    const bool hadFaces = !faceBoxes_.empty();
    picture_.release();
    faceBoxes_.clear();
    if (hadPicture) {
        ++frameNumber_;
        emit frameChanged();
    }
    if (hadFaces)
        emit facesChanged();
}

QVariantList CameraPreview::faceBoxList() const
{
    QVariantList list;
    for (const auto &box : faceBoxes_)
        list.append(box);
    return list;
}

QRectF mirroredFaceBox(const cv::Rect2d &box)
{
    return QRectF(1.0 - (box.x + box.width), 1.0 - (box.y + box.height), box.width, box.height);
}

} // namespace vardo
