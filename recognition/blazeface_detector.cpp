#include "recognition/blazeface_detector.h"

#include "recognition/model_locator.h"

#include <opencv2/core/utils/logger.hpp>
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

std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Outputs are [1, N, 1] scores and [1, N, 16] boxes with key points, for the two grids.
int rowsOf(const cv::Mat &m)
{
    return m.dims == 3 ? m.size[1] : (m.dims == 2 ? m.size[0] : 0);
}

int widthOf(const cv::Mat &m)
{
    return m.dims == 3 ? m.size[2] : (m.dims == 2 ? m.size[1] : 0);
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
    const auto fail = [&](const std::string &reason) {
        net_ = cv::dnn::Net();
        outputNames_.clear();
        log.write("[FaceID] Failed to load face detector: " + file.string() + ": " + reason);
        return false;
    };
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return fail("no such file");
    try {
        net_ = cv::dnn::readNetFromONNX(file.string());
    } catch (const cv::Exception &e) {
        return fail(oneLine(e.err.empty() ? e.what() : e.err));
    }
    if (net_.empty())
        return fail("the file holds no network");
    outputNames_ = net_.getUnconnectedOutLayersNames();

    // A file made for another input size is still usable at its own size, the
    // square 256 x 256 of the original network, at some cost in small faces.
    // OpenCV reports a size that does not fit at length; the trial is expected to fail.
    const auto logLevel = cv::utils::logging::getLogLevel();
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    for (const cv::Size size : {preferredInputSize_, cv::Size(256, 256)}) {
        inputSize_ = size;
        anchors_ = makeAnchors(size);
        std::vector<cv::Mat> scores, regressors;
        const cv::Mat blank(inputSize_, CV_32FC3, cv::Scalar::all(0));
        if (runNetwork(cv::dnn::blobFromImage(blank), scores, regressors)) {
            loaded_ = true;
            break;
        }
    }
    cv::utils::logging::setLogLevel(logLevel);
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

bool BlazeFaceDetector::runNetwork(const cv::Mat &blob, std::vector<cv::Mat> &scores,
                                   std::vector<cv::Mat> &regressors)
{
    std::vector<cv::Mat> outputs;
    try {
        net_.setInput(blob);
        net_.forward(outputs, outputNames_);
    } catch (const cv::Exception &) {
        return false;
    }
    scores.clear();
    regressors.clear();
    for (const auto &out : outputs) {
        if (out.depth() != CV_32F)
            return false;
        (widthOf(out) == 1 ? scores : regressors).push_back(out);
    }
    if (scores.size() != 2 || regressors.size() != 2)
        return false;
    // The finer grid (more anchors per row of cells) comes first in anchor order.
    const int fineRows = static_cast<int>(2 * ((inputSize_.height + 15) / 16) * ((inputSize_.width + 15) / 16));
    const auto fineFirst = [&](std::vector<cv::Mat> &v) {
        if (rowsOf(v[0]) != fineRows)
            std::swap(v[0], v[1]);
    };
    fineFirst(scores);
    fineFirst(regressors);
    for (int i = 0; i < 2; ++i) {
        if (rowsOf(scores[i]) != rowsOf(regressors[i]) || widthOf(regressors[i]) < 16)
            return false;
    }
    return static_cast<std::size_t>(rowsOf(scores[0]) + rowsOf(scores[1])) == anchors_.size();
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
    cv::resize(bgrFrame, input_(cv::Rect(cv::Point(0, 0), fitted)), fitted, 0, 0, cv::INTER_AREA);
    cv::dnn::blobFromImage(input_, blob_, 1.0 / 127.5, cv::Size(), cv::Scalar::all(127.5), true, false, CV_32F);

    std::vector<cv::Mat> scores, regressors;
    if (!runNetwork(blob_, scores, regressors))
        return faces;

    // The score threshold is applied to the logit so that the sigmoid runs only for
    // candidates.
    const float minimumLogit = std::log(minimumScore / (1.0f - minimumScore));
    std::vector<cv::Rect2d> boxes;
    std::vector<float> boxScores;
    std::vector<DetectedFace> candidates;
    std::size_t anchor = 0;
    for (int grid = 0; grid < 2; ++grid) {
        const int rows = rowsOf(scores[grid]);
        const int width = widthOf(regressors[grid]);
        const float *logits = scores[grid].ptr<float>();
        const float *values = regressors[grid].ptr<float>();
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
            if (w <= 0 || h <= 0)
                continue;
            candidates.push_back(face);
            boxes.push_back(face.box);
            boxScores.push_back(face.score);
        }
    }

    std::vector<int> kept;
    cv::dnn::NMSBoxes(boxes, boxScores, minimumScore, 0.3f, kept);
    for (int index : kept)
        faces.push_back(candidates[index]);
    std::sort(faces.begin(), faces.end(), [](const auto &a, const auto &b) { return a.score > b.score; });
    return faces;
}

} // namespace vardo
