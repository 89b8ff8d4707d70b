#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace vardo {

// How much edge strength varies over the middle of the face, and how much of it is
// glaring. Skin, brows, lashes and hair under room light give edges of every strength;
// a face shown on a screen or a print is softened by the display and the re-capture
// (low variance) or washed out by its backlight and reflections (many bright edges).
struct TextureReading {
    double variance = 0.0;
    double brightRatio = 0.0;
    bool passes = false;
};

// The reading of the inner 80 % × 80 % of the face box (lower-left origin) in a BGR
// frame; nothing when that area is not wider and taller than 50 pixels.
std::optional<TextureReading> readTexture(const cv::Mat &frame, const cv::Rect2d &normalisedFaceBox);

// The edge image the reading is taken from: grey at contrast 1.5, then the edge
// magnitude at intensity 5, as 8-bit grey.
cv::Mat textureEdgeImage(const cv::Mat &bgrRegion);

// "[AntiSpoof] Texture FAIL — variance:312 bright:0.021 → possible screen"
std::string textureFailLogLine(const TextureReading &reading);

// A run of passing frames; the check counts as passed from the third in a row on, until
// a frame fails.
struct TextureStreak {
    std::int64_t passesInARow = 0;
    bool passed = false;
};
TextureStreak afterTextureVerdict(TextureStreak streak, bool passes, std::int64_t framesNeeded);

} // namespace vardo
