#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace vardo::bench {

// One 640×480 frame as a webcam would show it, and where it came from ("Person/file.jpg",
// with "phone:", "monitor:" or "print:" in front for a picture shown to the camera).
struct Scene {
    std::string name;
    cv::Mat frame;
};

// Real faces: the identities' full photos and the group photos filling the frame (cut,
// not letterboxed: a webcam sees a whole room, not a picture on grey), the 150×150
// chips blended into a room with soft edges at webcam size, and every tenth frame of the
// video clip.
std::vector<Scene> realFaceScenes(const std::string &testdata);

// The owner's photos as an impostor would show them to the camera: on a phone or a
// monitor with its bezel, or as a print, each with moiré, glare, blur and JPEG
// re-compression, in front of a room.
std::vector<Scene> spoofScenes(const std::string &testdata);

// An image scaled to cover 640×480 and cut to it around its centre.
cv::Mat coverFrame(const cv::Mat &image);

} // namespace vardo::bench
