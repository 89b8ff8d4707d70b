#include "recognition/blazeface_detector.h"

#include "recognition/model_locator.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <system_error>

namespace vardo {

namespace {

// Anchor centres in input pixels: two per cell of the 16-pixel grid, then six per cell
// of the 32-pixel grid, row by row; the network's outputs follow this order.
std::vector<cv::Point2f> makeAnchors(cv::Size input)
{
    std::vector<cv::Point2f> anchors;
    for (const auto &[stride, perCell] : {std::pair{16, 2}, std::pair{32, 6}}) {
        const int rows = (input.height + stride - 1) / stride;
        const int cols = (input.width + stride - 1) / stride;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x)
                for (int k = 0; k < perCell; ++k)
                    anchors.emplace_back(stride * (x + 0.5f), stride * (y + 0.5f));
    }
    return anchors;
}

// Intersection over union of two boxes.
double overlap(const cv::Rect2d &a, const cv::Rect2d &b)
{
    const double common = (a & b).area();
    const double total = a.area() + b.area() - common;
    return total > 0.0 ? common / total : 1.0;
}

// Greedy suppression, best score first (ties in anchor order): a box is kept unless it
// overlaps one kept before it by more than maximumOverlap. The indices of those kept.
std::vector<std::size_t> suppressOverlaps(const std::vector<cv::Rect2d> &boxes, const std::vector<float> &scores,
                                          float maximumOverlap)
{
    std::vector<std::size_t> order(boxes.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return scores[a] > scores[b]; });
    std::vector<std::size_t> kept;
    for (const std::size_t candidate : order) {
        if (std::all_of(kept.begin(), kept.end(), [&](std::size_t k) {
                return static_cast<float>(overlap(boxes[candidate], boxes[k])) <= maximumOverlap;
            }))
            kept.push_back(candidate);
    }
    return kept;
}

} // namespace

BlazeFaceDetector::BlazeFaceDetector(cv::Size inputSize)
    : preferredInputSize_(inputSize)
    , inputSize_(inputSize)
    , anchors_(makeAnchors(inputSize))
{
}

bool BlazeFaceDetector::load(LogSink &log)
{
    const auto file = findModelFile(fileName);
    if (!file) {
        log.write(std::string("[FaceID] Failed to load face detector: ") + fileName
                  + " not found in the model folders");
        return false;
    }
    return loadFile(*file, log);
}

bool BlazeFaceDetector::loadFile(const std::filesystem::path &file, LogSink &log)
{
    loaded_ = false;
    inputSize_ = preferredInputSize_;
    anchors_ = makeAnchors(inputSize_);
    const auto fail = [&](const std::string &reason) {
        network_.clear();
        log.write("[FaceID] Failed to load face detector: " + file.string() + ": " + reason);
        return false;
    };
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return fail("no such file");
    std::string reason;
    if (!network_.load(file, reason))
        return fail(reason);

    // A file made for another input size is still usable at its own size, the
    // square 256 x 256 of the original network, at some cost in small faces.
    const cv::Size size = network_.inputSize();
    std::array<Grid, 2> grids;
    if (network_.inputChannels() == 3 && (size == preferredInputSize_ || size == cv::Size(256, 256))) {
        inputSize_ = size;
        anchors_ = makeAnchors(size);
        network_.input().setTo(cv::Scalar::all(0));
        loaded_ = network_.run() && findGrids(grids);
    }
    if (loaded_) {
        input_ = cv::Mat();
        fitted_ = cv::Size();
        return true;
    }
    inputSize_ = preferredInputSize_;
    anchors_ = makeAnchors(inputSize_);
    return fail("its outputs fit neither an input of " + std::to_string(inputSize_.width) + " x "
                + std::to_string(inputSize_.height) + " nor one of 256 x 256");
}

// Outputs are [1, N, 1] scores and [1, N, 16] boxes with key points, for the two grids.
bool BlazeFaceDetector::findGrids(std::array<Grid, 2> &grids) const
{
    std::vector<const XnnpackNetwork::Output *> scores, regressors;
    for (const auto &out : network_.outputs()) {
        if (out.shape.size() != 3 || out.shape[0] != 1)
            return false;
        (out.shape[2] == 1 ? scores : regressors).push_back(&out);
    }
    if (scores.size() != 2 || regressors.size() != 2)
        return false;
    // The finer grid (more anchors per row of cells) comes first in anchor order.
    const std::size_t fineRows = 2 * ((inputSize_.height + 15) / 16) * ((inputSize_.width + 15) / 16);
    if (scores[0]->shape[1] != fineRows)
        std::swap(scores[0], scores[1]);
    if (regressors[0]->shape[1] != fineRows)
        std::swap(regressors[0], regressors[1]);
    std::size_t rows = 0;
    for (int i = 0; i < 2; ++i) {
        if (scores[i]->shape[1] != regressors[i]->shape[1] || regressors[i]->shape[2] < 16)
            return false;
        grids[i] = {scores[i]->values.data(), regressors[i]->values.data(), static_cast<int>(scores[i]->shape[1]),
                    static_cast<int>(regressors[i]->shape[2])};
        rows += scores[i]->shape[1];
    }
    return rows == anchors_.size();
}

std::vector<DetectedFace> BlazeFaceDetector::detect(const cv::Mat &bgrFrame, float minimumScore)
{
    std::vector<DetectedFace> faces;
    if (!loaded_ || bgrFrame.empty() || bgrFrame.type() != CV_8UC3)
        return faces;

    // Fit the frame into the input, keeping its aspect ratio.
    const double scale = std::min(static_cast<double>(inputSize_.width) / bgrFrame.cols,
                                  static_cast<double>(inputSize_.height) / bgrFrame.rows);
    const cv::Size fitted(std::max(1, static_cast<int>(std::lround(bgrFrame.cols * scale))),
                          std::max(1, static_cast<int>(std::lround(bgrFrame.rows * scale))));
    if (input_.size() != inputSize_ || fitted != fitted_) {
        input_.create(inputSize_, CV_8UC3);
        input_.setTo(cv::Scalar::all(128));
        fitted_ = fitted;
    }
    // Area averaging: a plain bilinear shrink to 0.47 drops detail, and the faces at the
    // edge of detection with it (one fewer in the group photos, a false one on dogs.jpg).
    // Cheaper approximations lose them too (2 x 2 means, then the rest bilinear or by area
    // again: a face fewer in a group photo, the clip's counts changed in 11 frames), so the
    // exact averaging is done by AreaShrink, at a third of cv::resize's cost.
    cv::Mat fittedInput = input_(cv::Rect(cv::Point(0, 0), fitted));
    if (fitted.width <= bgrFrame.cols && fitted.height <= bgrFrame.rows)
        shrink_(bgrFrame, fittedInput);
    else
        cv::resize(bgrFrame, fittedInput, fitted, 0, 0, cv::INTER_AREA);
    cv::Mat networkInput = network_.input();
    writeRgbInput(input_, networkInput, 127.5f, 1.0f / 127.5f);

    std::array<Grid, 2> grids;
    if (!network_.run() || !findGrids(grids))
        return faces;

    // The score threshold is applied to the logit so that the sigmoid runs only for
    // candidates.
    const float minimumLogit = std::log(minimumScore / (1.0f - minimumScore));
    std::vector<cv::Rect2d> boxes;
    std::vector<float> boxScores;
    std::vector<DetectedFace> candidates;
    std::size_t anchor = 0;
    for (int grid = 0; grid < 2; ++grid) {
        const int rows = grids[grid].rows;
        const int width = grids[grid].width;
        const float *logits = grids[grid].logits;
        const float *values = grids[grid].boxes;
        for (int i = 0; i < rows; ++i, ++anchor) {
            if (!(logits[i] >= minimumLogit))
                continue;
            const float *r = values + static_cast<std::ptrdiff_t>(i) * width;
            const cv::Point2f a = anchors_[anchor];
            DetectedFace face;
            face.score = 1.0f / (1.0f + std::exp(-logits[i]));
            const double cx = (a.x + r[0]) / scale;
            const double cy = (a.y + r[1]) / scale;
            const double w = r[2] / scale;
            const double h = r[3] / scale;
            face.box = cv::Rect2d(cx - w / 2, cy - h / 2, w, h);
            for (int k = 0; k < 6; ++k)
                face.keypoints[k] = cv::Point2d((a.x + r[4 + 2 * k]) / scale, (a.y + r[5 + 2 * k]) / scale);
            if (w <= 0 || h <= 0 || !(face.score > minimumScore))
                continue;
            candidates.push_back(face);
            boxes.push_back(face.box);
            boxScores.push_back(face.score);
        }
    }

    for (const std::size_t index : suppressOverlaps(boxes, boxScores, 0.3f))
        faces.push_back(candidates[index]);
    std::sort(faces.begin(), faces.end(), [](const auto &a, const auto &b) { return a.score > b.score; });
    return faces;
}

} // namespace vardo
