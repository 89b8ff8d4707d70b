#include "liveness/screen_search.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vardo {

namespace {

// Edges are looked for at this width at most: a phone or monitor outline survives the
// reduction, sensor noise and fine texture do not.
constexpr int searchWidth = 320;
constexpr int greyLevels = 8;

// Share of points along the outline that lie on an edge pixel (or next to one).
double edgeSupport(const std::vector<cv::Point> &quad, const cv::Mat &edgesNearby)
{
    int onEdge = 0, points = 0;
    for (std::size_t i = 0; i < quad.size(); ++i) {
        const cv::Point2d a = quad[i];
        const cv::Point2d b = quad[(i + 1) % quad.size()];
        const int steps = std::max(1, static_cast<int>(cv::norm(b - a)));
        for (int s = 0; s < steps; ++s) {
            const cv::Point2d p = a + (b - a) * (static_cast<double>(s) / steps);
            const int x = std::clamp(static_cast<int>(std::lround(p.x)), 0, edgesNearby.cols - 1);
            const int y = std::clamp(static_cast<int>(std::lround(p.y)), 0, edgesNearby.rows - 1);
            onEdge += edgesNearby.at<unsigned char>(y, x) ? 1 : 0;
            ++points;
        }
    }
    return points ? static_cast<double>(onEdge) / points : 0.0;
}

bool cornersNearlySquare(const std::vector<cv::Point> &quad, double toleranceDegrees)
{
    const double limit = std::sin((90.0 - toleranceDegrees) * CV_PI / 180.0);
    for (std::size_t i = 0; i < 4; ++i) {
        const cv::Point2d prev = quad[(i + 3) % 4], here = quad[i], next = quad[(i + 1) % 4];
        const cv::Point2d u = prev - here, v = next - here;
        const double lengths = cv::norm(u) * cv::norm(v);
        if (lengths <= 0.0)
            return false;
        // |sin| of the corner angle: 1 at a right angle.
        if (std::abs(u.x * v.y - u.y * v.x) / lengths < limit)
            return false;
    }
    return true;
}

// The four corners of a contour that is a quadrilateral, or of the smallest rectangle
// around one that nearly fills it (an outline with a notch or a small part attached,
// such as a monitor's stand); nothing otherwise.
std::vector<cv::Point> quadrilateralOf(const std::vector<cv::Point> &contour)
{
    std::vector<cv::Point> quad;
    cv::approxPolyDP(contour, quad, 0.02 * cv::arcLength(contour, true), true);
    if (quad.size() == 4)
        return quad;
    std::vector<cv::Point> hull;
    cv::convexHull(contour, hull);
    const cv::RotatedRect around = cv::minAreaRect(hull);
    if (around.size.area() <= 0.0 || cv::contourArea(hull) < 0.9 * around.size.area())
        return {};
    cv::Point2f corners[4];
    around.points(corners);
    quad.clear();
    for (const auto &corner : corners)
        quad.emplace_back(cv::Point(static_cast<int>(std::lround(corner.x)), static_cast<int>(std::lround(corner.y))));
    return quad;
}

double overlapShare(const cv::Rect2d &a, const cv::Rect2d &b)
{
    const double shared = (a & b).area();
    const double joined = a.area() + b.area() - shared;
    return joined > 0.0 ? shared / joined : 0.0;
}

} // namespace

std::vector<FoundRectangle> findRectangles(const cv::Mat &frame, const RectangleSearch &search)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return {};
    const double scale = std::min(1.0, static_cast<double>(searchWidth) / frame.cols);
    cv::Mat grey, small;
    cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
    cv::resize(grey, small, cv::Size(), scale, scale, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(3, 3), 0.0);
    cv::Mat edges, nearby;
    cv::Canny(small, edges, 40, 120);
    cv::dilate(edges, nearby, cv::Mat());

    // Outlines are followed on the edge map and on the frame cut at several grey levels:
    // a dark bezel or a bright screen is one clean region at some level, even where its
    // edge touches the clutter around it on the edge map.
    std::vector<cv::Mat> maps{nearby};
    for (int level = 1; level < greyLevels; ++level) {
        cv::Mat cut;
        cv::threshold(small, cut, level * 256.0 / greyLevels, 255, cv::THRESH_BINARY);
        maps.push_back(cut);
    }
    const double shortestSide = search.minimumSize * std::min(small.cols, small.rows);
    std::vector<FoundRectangle> found;
    for (const cv::Mat &map : maps) {
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(map, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
        for (const auto &contour : contours) {
            std::vector<cv::Point> quad = quadrilateralOf(contour);
            if (quad.size() != 4 || !cv::isContourConvex(quad) || !cornersNearlySquare(quad, search.cornerTolerance))
                continue;
            const double sideA = (cv::norm(quad[0] - quad[1]) + cv::norm(quad[2] - quad[3])) / 2.0;
            const double sideB = (cv::norm(quad[1] - quad[2]) + cv::norm(quad[3] - quad[0])) / 2.0;
            const double shorter = std::min(sideA, sideB), longer = std::max(sideA, sideB);
            if (shorter < shortestSide || shorter / longer < search.minimumAspectRatio)
                continue;
            const double confidence = edgeSupport(quad, nearby);
            if (confidence < search.minimumConfidence)
                continue;
            const cv::Rect bounds = cv::boundingRect(quad);
            found.push_back({cv::Rect2d(static_cast<double>(bounds.x) / small.cols,
                                        1.0 - static_cast<double>(bounds.y + bounds.height) / small.rows,
                                        static_cast<double>(bounds.width) / small.cols,
                                        static_cast<double>(bounds.height) / small.rows),
                             confidence});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.confidence > b.confidence; });
    // One outline yields two contours (its inner and outer side): keep the better one.
    std::vector<FoundRectangle> distinct;
    for (const auto &candidate : found) {
        const bool repeated = std::any_of(distinct.begin(), distinct.end(), [&](const auto &kept) {
            return overlapShare(kept.boundingBox, candidate.boundingBox) > 0.8;
        });
        if (!repeated)
            distinct.push_back(candidate);
        if (static_cast<int>(distinct.size()) == search.maximumResults)
            break;
    }
    return distinct;
}

std::optional<ScreenFinding> screenAroundFace(const std::vector<FoundRectangle> &rectangles,
                                              const cv::Rect2d &face)
{
    for (const auto &rectangle : rectangles) {
        const cv::Rect2d &r = rectangle.boundingBox;
        // Enclosing implies overlapping; both are what the rule asks for.
        if ((r & face).area() <= 0.0)
            continue;
        const double rectArea = r.width * r.height;
        const double faceArea = face.width * face.height;
        if (rectArea > 1.2 * faceArea && rectArea < 0.9)
            return ScreenFinding{rectArea, faceArea};
        // A picture held close: the face fills the display and its edges cut through the
        // face box. A real head is never cut by an unbroken straight outline; one behind
        // it is broken where the head covers it, and is no quadrilateral then. An outline
        // that is the face box itself (a face drawn as a patch) cuts nothing.
        const double shared = (r & face).area();
        const bool holdsFace = shared >= 0.999 * faceArea;
        const bool isTheFaceBox = overlapShare(r, face) > 0.7;
        if (!holdsFace && !isTheFaceBox && shared >= 0.5 * faceArea && rectArea < 0.9)
            return ScreenFinding{rectArea, faceArea};
    }
    return std::nullopt;
}

std::string screenLogLine(const ScreenFinding &finding)
{
    char line[120];
    std::snprintf(line, sizeof line, "[AntiSpoof] Screen/phone detected around face — rect:%.2f face:%.2f",
                  finding.rectArea, finding.faceArea);
    return line;
}

} // namespace vardo
