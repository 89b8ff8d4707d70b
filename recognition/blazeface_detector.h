#pragma once

#include "platform/log_sink.h"
#include "recognition/area_shrink.h"
#include "recognition/xnnpack_network.h"

#include <opencv2/core.hpp>

#include <array>
#include <filesystem>
#include <vector>

namespace vardo {

// One face found by the network, in frame pixels with the usual top-left origin.
struct DetectedFace {
    cv::Rect2d box;
    float score = 0.0f; // the network's face probability, 0..1
    // The network's six key points: the eye on the image's left, the eye on the
    // image's right, nose tip, mouth centre, the ear on the image's left, the one on
    // its right.
    std::array<cv::Point2d, 6> keypoints;
};

// MediaPipe's BlazeFace network for faces at a distance ("blazeface.onnx"): reads an RGB
// image scaled to -1..1 and scores anchor boxes on grids of 16 and 32 pixels. The frame
// is fitted into the network's input (keeping its aspect ratio, the rest filled grey):
// with the input of 320 x 224 that tools/models/build-models makes, a 640 x 480 frame is
// seen at 0.47 of its size, and face boxes from about 15 pixels up are found (about 18
// at the original 256 x 256). Not thread-safe: one instance per thread.
class BlazeFaceDetector {
public:
    static constexpr const char *fileName = "blazeface.onnx";

    // The input size (columns x rows) the network file should be made for. Both sides
    // are multiples of 32, so that every grid cell sits where the network's training put
    // it (at 240 rows the 32-pixel grid's cells see the image half a cell off and its
    // boxes jitter up and down). A file made for the original network's 256 x 256 is used
    // at that size.
    static constexpr int defaultInputWidth = 320;
    static constexpr int defaultInputHeight = 224;

    explicit BlazeFaceDetector(cv::Size inputSize = cv::Size(defaultInputWidth, defaultInputHeight));

    // Finds the file in the model folders (see model_locator.h) and loads it.
    bool load(LogSink &log);
    // Loads the file and checks it with one run; writes
    // "[FaceID] Failed to load face detector: <reason>" when it cannot be used.
    bool loadFile(const std::filesystem::path &file, LogSink &log);
    bool isLoaded() const { return loaded_; }

    // Every face of a BGR frame scoring at least minimumScore, best first, overlapping
    // boxes merged. Nothing when the model is not loaded or the network fails.
    std::vector<DetectedFace> detect(const cv::Mat &bgrFrame, float minimumScore);

    // The input size in use once loaded.
    cv::Size inputSize() const { return inputSize_; }

private:
    // The scores and boxes of one anchor grid as the network gives them.
    struct Grid {
        const float *logits = nullptr;
        const float *boxes = nullptr;
        int rows = 0;
        int width = 0;
    };
    // The two grids, finer first; false if the outputs are not what the anchors expect.
    bool findGrids(std::array<Grid, 2> &grids) const;

    XnnpackNetwork network_;
    cv::Size preferredInputSize_;
    cv::Size inputSize_;
    std::vector<cv::Point2f> anchors_;
    bool loaded_ = false;

    // Kept from frame to frame rather than allocated anew: on a process's main thread a
    // fresh 1 MB blob per frame cost 4 ms in page faults.
    cv::Mat input_;
    cv::Size fitted_;
    AreaShrink shrink_;
};

} // namespace vardo
