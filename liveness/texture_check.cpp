#include "liveness/texture_check.h"

#include "liveness/face_region.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>

namespace vardo {

namespace {

constexpr double contrast = 1.5;
constexpr double edgeIntensity = 5.0;
constexpr double innerMargin = 0.1; // of the face's width and height, on every side
constexpr int minimumSide = 50;     // pixels; the inner area must be larger on both axes
constexpr long samplesWanted = 2000;
constexpr double brightGrey = 240.0;
constexpr double varianceAbove = 800.0;
constexpr double brightBelow = 0.15;

} // namespace

cv::Mat textureEdgeImage(const cv::Mat &bgrRegion)
{
    cv::Mat grey;
    cv::cvtColor(bgrRegion, grey, cv::COLOR_BGR2GRAY);
    // Contrast about mid-grey, as a colour-controls filter applies it.
    cv::Mat raised;
    grey.convertTo(raised, CV_32F, contrast / 255.0, 0.5 * (1.0 - contrast));
    cv::min(cv::max(raised, 0.0), 1.0, raised);

    // The edge magnitude: a 3×3 Sobel gradient in each direction, scaled by 1/4 so that a
    // step from black to white reads 1, times the intensity. This is the gradient-
    // magnitude filter an "edges" filter is, computed on a grey image where the filter
    // would compute it per colour channel (the channels are equal here), clamped to the
    // displayable range the same way.
    cv::Mat dx, dy, magnitude;
    cv::Sobel(raised, dx, CV_32F, 1, 0, 3, 0.25, 0.0, cv::BORDER_REPLICATE);
    cv::Sobel(raised, dy, CV_32F, 0, 1, 3, 0.25, 0.0, cv::BORDER_REPLICATE);
    cv::magnitude(dx, dy, magnitude);
    cv::Mat edges;
    magnitude.convertTo(edges, CV_8U, edgeIntensity * 255.0);
    return edges;
}

std::optional<TextureReading> readTexture(const cv::Mat &frame, const cv::Rect2d &normalisedFaceBox)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return std::nullopt;
    const cv::Rect2d face = facePixelRect(normalisedFaceBox, frame.size());
    const cv::Rect2d inner(face.x + innerMargin * face.width, face.y + innerMargin * face.height,
                           face.width * (1.0 - 2.0 * innerMargin), face.height * (1.0 - 2.0 * innerMargin));
    if (!(inner.width > minimumSide && inner.height > minimumSide))
        return std::nullopt;
    const cv::Rect region = wholePixelsInside(inner, frame.size());
    if (region.width <= 0 || region.height <= 0)
        return std::nullopt;

    const cv::Mat edges = textureEdgeImage(frame(region));
    const long pixels = static_cast<long>(edges.total());
    const long step = std::max(1L, pixels / samplesWanted);
    double sum = 0.0, squares = 0.0;
    long bright = 0, n = 0;
    const auto *data = edges.ptr<unsigned char>(0); // a new image: continuous
    for (long i = 0; i < pixels; i += step) {
        const double grey = data[i];
        sum += grey;
        squares += grey * grey;
        bright += grey > brightGrey ? 1 : 0;
        ++n;
    }
    // Divided by the samples actually taken: pixels / step undercounts them by one
    // whenever step does not divide the pixel count.
    const double mean = sum / static_cast<double>(n);
    TextureReading reading;
    reading.variance = squares / static_cast<double>(n) - mean * mean;
    reading.brightRatio = static_cast<double>(bright) / static_cast<double>(n);
    reading.passes = reading.variance > varianceAbove && reading.brightRatio < brightBelow;
    return reading;
}

std::string textureFailLogLine(const TextureReading &reading)
{
    char line[160];
    std::snprintf(line, sizeof line, "[AntiSpoof] Texture FAIL — variance:%.0f bright:%.3f → possible screen",
                  reading.variance, reading.brightRatio);
    return line;
}

TextureStreak afterTextureVerdict(TextureStreak streak, bool passes, std::int64_t framesNeeded)
{
    if (!passes)
        return {};
    ++streak.passesInARow;
    if (streak.passesInARow >= framesNeeded)
        streak.passed = true;
    return streak;
}

} // namespace vardo
