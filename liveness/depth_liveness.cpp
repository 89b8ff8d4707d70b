#include "liveness/depth_liveness.h"

#include "liveness/face_region.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>

namespace vardo {

namespace {

constexpr int gridStep = 3;
constexpr int minimumSamples = 11;
constexpr float minimumMean = 0.001f;
constexpr float flatBelowOrAt = 0.03f;

} // namespace

cv::Mat depthModelInput(const cv::Mat &frame, const cv::Rect2d &normalisedFaceBox)
{
    if (frame.empty())
        return {};
    const cv::Rect face = wholePixelsInside(facePixelRect(normalisedFaceBox, frame.size()), frame.size());
    if (face.empty())
        return {};
    cv::Mat input;
    cv::resize(frame(face), input, depthInputSize, 0, 0, cv::INTER_LINEAR);
    return input;
}

std::optional<DepthReading> readDepthMap(const cv::Mat &depthMap)
{
    if (depthMap.empty() || depthMap.type() != CV_32FC1)
        return std::nullopt;
    const int h = depthMap.rows;
    const int w = depthMap.cols;
    // Single precision throughout, as the map itself is.
    float sum = 0.0f;
    int n = 0;
    for (int r = h / 4; r < 3 * h / 4; r += gridStep)
        for (int c = w / 4; c < 3 * w / 4; c += gridStep) {
            sum += depthMap.at<float>(r, c);
            ++n;
        }
    if (n < minimumSamples)
        return std::nullopt;
    const float mean = sum / static_cast<float>(n);
    // Also refuses NaN: a broken map is no verdict either way.
    if (!(mean > minimumMean))
        return std::nullopt;
    float squares = 0.0f;
    for (int r = h / 4; r < 3 * h / 4; r += gridStep)
        for (int c = w / 4; c < 3 * w / 4; c += gridStep) {
            const float d = depthMap.at<float>(r, c) - mean;
            squares += d * d;
        }
    const float deviation = std::sqrt(squares / static_cast<float>(n));
    const float cv = deviation / mean;
    return DepthReading{cv > flatBelowOrAt, cv, mean, deviation, n, depthMap.size()};
}

std::string depthLogLine(const DepthReading &reading)
{
    char line[160];
    std::snprintf(line, sizeof line, "[Depth] %s — CV:%.4f mean:%.4f std:%.4f px:%d %dx%d",
                  reading.real ? "REAL" : "FLAT", reading.coefficientOfVariation, reading.mean,
                  reading.deviation, reading.samples, reading.mapSize.width, reading.mapSize.height);
    return line;
}

} // namespace vardo
