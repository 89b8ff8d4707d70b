#pragma once

#include <opencv2/core/mat.hpp>

#include <string>

namespace vardo {

// Reads a picture file (JPEG, PNG, BMP and the other formats Qt reads) as 8-bit BGR,
// upright as its EXIF orientation says. Empty when the file cannot be read or decoded.
cv::Mat readImageFile(const std::string &path);

} // namespace vardo
