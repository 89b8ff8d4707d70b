#pragma once

#include <opencv2/core.hpp>

#include <optional>
#include <string>
#include <vector>

namespace vardo {

// A four-sided outline found in a frame: a phone, a monitor, a picture frame, a door.
struct FoundRectangle {
    // The outline's axis-aligned bounds as fractions of the frame, origin at the
    // LOWER-left corner (the face detector's convention).
    cv::Rect2d boundingBox;
    // The share of the outline that lies on a real edge of the image, 0..1. A bezel or a
    // monitor's border runs unbroken all the way round; a shape pieced together from
    // furniture, hair and shadows runs along edges only in parts.
    double confidence = 0.0;
};

// The rules of the search, with the settings the engine uses.
struct RectangleSearch {
    double minimumSize = 0.1;        // shorter side, as a fraction of the frame's shorter side
    int maximumResults = 5;
    double minimumConfidence = 0.5;  // see README.md: where real rooms stop being screens
    double minimumAspectRatio = 0.4; // shorter over longer side: a phone held upright is 0.46
    double cornerTolerance = 30.0;   // degrees from a right angle
};

// Convex quadrilaterals in a BGR frame, most confident first.
std::vector<FoundRectangle> findRectangles(const cv::Mat &frame, const RectangleSearch &search = {});

// A rectangle that holds or touches the face and is clearly larger than it, but not the
// whole view.
struct ScreenFinding {
    double rectArea = 0.0; // fractions of the frame
    double faceArea = 0.0;
};

// The first of the rectangles, in their order, that encloses or overlaps the face box
// (both lower-left origin) and whose area is more than 1.2 times the face's and less than
// 0.9 of the frame; or that cuts through the face box, covering at least half of it
// without holding all of it or being the box itself (a display the face fills), and is
// less than 0.9 of the frame.
std::optional<ScreenFinding> screenAroundFace(const std::vector<FoundRectangle> &rectangles,
                                              const cv::Rect2d &normalisedFaceBox);

// "[AntiSpoof] Screen/phone detected around face — rect:0.31 face:0.08"
std::string screenLogLine(const ScreenFinding &finding);

} // namespace vardo
