#pragma once

#include "recognition/face_observation.h"

#include <opencv2/core/mat.hpp>

#include <QObject>
#include <QRectF>
#include <QVariantList>

#include <atomic>
#include <vector>

namespace vardo {

// The picture the interface shows while the user sets up their face. A webcam on Linux
// usually streams to one client at a time, so the preview cannot open the camera a
// second time: it shows the engine's own frames instead. Frames are decoded for it only
// while at least one view shows it, at most `frameInterval` apart; the analysis keeps its
// one frame in five whatever the preview does.
//
// Threads: viewers come and go and pictures are published on the main thread; the
// processing queue asks `isWanted` and `isDue` and makes the pictures.
class CameraPreview final : public QObject {
    Q_OBJECT
    // Counts published pictures; a view repaints when it changes.
    Q_PROPERTY(qint64 frameNumber READ frameNumber NOTIFY frameChanged)
    // The faces of the last analysed frame that pass recognition's quality gates, as
    // rectangles in fractions of the picture, mirrored like the picture, origin top left.
    Q_PROPERTY(QVariantList faceBoxes READ faceBoxList NOTIFY facesChanged)

public:
    // Ten pictures a second: smooth enough to see oneself move, a third of a 30 fps
    // camera's frames at most.
    static constexpr double frameInterval = 0.1;
    // Half the camera frame on each side: what a preview of a few hundred points needs.
    static constexpr int pictureWidth = 320;
    static constexpr int pictureHeight = 240;

    explicit CameraPreview(QObject *parent = nullptr);

    // Main thread. A view that shows the preview adds itself while it is visible and
    // removes itself when hidden or gone; the picture is dropped with the last one.
    void addViewer();
    void removeViewer();
    int viewerCount() const { return viewers_; }

    // Processing queue: whether a frame arriving at `now` (seconds) must be decoded for
    // the preview. Records the time when it answers yes.
    bool isWanted() const { return wanted_.load(std::memory_order_relaxed); }
    bool isDue(double now);
    // The camera frame (BGR) scaled to the preview's size and mirrored, as a mirror
    // shows the person in front of it.
    static cv::Mat makePicture(const cv::Mat &bgr);

    // Main thread: a new picture, and the faces of the latest analysis. Both are
    // ignored while nobody watches.
    void publishPicture(cv::Mat picture);
    void publishFaces(const std::vector<FaceObservation> &observations);
    // The camera stopped: nothing to show until frames flow again.
    void clear();

    const cv::Mat &picture() const { return picture_; }
    const std::vector<QRectF> &faceBoxes() const { return faceBoxes_; }
    qint64 frameNumber() const { return frameNumber_; }
    QVariantList faceBoxList() const;

signals:
    void frameChanged();
    void facesChanged();

private:
    int viewers_ = 0;
    std::atomic<bool> wanted_{false};
    // Processing queue only.
    double lastPictureTime_ = -1e18;
    // Main thread only.
    cv::Mat picture_;
    std::vector<QRectF> faceBoxes_;
    qint64 frameNumber_ = 0;
};

// A face rectangle of the detector (fractions, origin lower left) as the mirrored
// preview shows it (fractions, origin top left).
QRectF mirroredFaceBox(const cv::Rect2d &boundingBox);

} // namespace vardo
