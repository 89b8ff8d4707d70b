#include "liveness_scenes.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace vardo::bench {

namespace fs = std::filesystem;

namespace {

const cv::Size frameSize{640, 480};

std::vector<fs::path> filesIn(const fs::path &folder, const std::string &extension = ".jpg")
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

cv::Mat coverSize(const cv::Mat &image, cv::Size size)
{
    const double scale = std::max(static_cast<double>(size.width) / image.cols,
                                  static_cast<double>(size.height) / image.rows);
    cv::Mat scaled;
    cv::resize(image, scaled, cv::Size(), scale, scale, scale < 1.0 ? cv::INTER_AREA : cv::INTER_LINEAR);
    const cv::Rect cut((scaled.cols - size.width) / 2, (scaled.rows - size.height) / 2, size.width, size.height);
    return scaled(cut).clone();
}

// A room without people in it.
cv::Mat room(const std::string &testdata)
{
    return coverFrame(cv::imread(testdata + "/groups/dogs.jpg"));
}

// Blends `picture` into `frame` at `at` through a soft oval: a head in front of a room,
// with no straight border of its own.
void blendHead(cv::Mat &frame, const cv::Mat &picture, cv::Point at)
{
    cv::Mat mask(picture.size(), CV_32F, cv::Scalar(0));
    cv::ellipse(mask, cv::Point(picture.cols / 2, picture.rows / 2),
                cv::Size(picture.cols * 45 / 100, picture.rows * 48 / 100), 0, 0, 360, cv::Scalar(1), cv::FILLED);
    cv::GaussianBlur(mask, mask, cv::Size(0, 0), picture.cols / 16.0);
    const cv::Rect place(at, picture.size());
    cv::Mat region = frame(place);
    for (int y = 0; y < picture.rows; ++y)
        for (int x = 0; x < picture.cols; ++x) {
            const float a = mask.at<float>(y, x);
            auto &out = region.at<cv::Vec3b>(y, x);
            const auto &in = picture.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c)
                out[c] = cv::saturate_cast<uchar>(a * in[c] + (1.0f - a) * out[c]);
        }
}

// What a camera makes of a picture shown on a display: the display's pixel grid beats
// with the sensor's (moiré), a lamp or window reflects in the glass (glare), the picture
// is out of the camera's focus (blur).
cv::Mat asRecaptured(const cv::Mat &picture, bool glass)
{
    cv::Mat out;
    picture.convertTo(out, CV_32FC3);
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.cols; ++x) {
            const double beat = 1.0 + 0.07 * std::sin(2.0 * CV_PI * (x * 0.29 + y * 0.05));
            const double gx = (x - 0.75 * out.cols) / (0.35 * out.cols), gy = (y - 0.2 * out.rows) / (0.3 * out.rows);
            const double glare = glass ? 110.0 * std::exp(-(gx * gx + gy * gy)) : 0.0;
            auto &p = out.at<cv::Vec3f>(y, x);
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<float>(p[c] * beat + glare);
        }
    cv::GaussianBlur(out, out, cv::Size(0, 0), 1.2);
    cv::Mat result;
    out.convertTo(result, CV_8UC3);
    return result;
}

cv::Mat recompressed(const cv::Mat &frame, int quality)
{
    std::vector<uchar> bytes;
    cv::imencode(".jpg", frame, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
    return cv::imdecode(bytes, cv::IMREAD_COLOR);
}

enum class Device { phone, monitor, print };

Scene shownOn(const cv::Mat &room, const cv::Mat &photo, Device device, const std::string &name)
{
    cv::Mat frame = room.clone();
    cv::Rect body, screen;
    cv::Scalar bezel;
    switch (device) {
    case Device::phone:
        body = cv::Rect(230, 50, 196, 392);
        screen = cv::Rect(242, 80, 172, 332);
        bezel = cv::Scalar(28, 28, 30);
        break;
    case Device::monitor:
        body = cv::Rect(90, 70, 470, 300);
        screen = cv::Rect(106, 86, 438, 268);
        bezel = cv::Scalar(22, 22, 22);
        cv::rectangle(frame, cv::Rect(300, 370, 50, 80), cv::Scalar(40, 40, 40), cv::FILLED);
        break;
    case Device::print:
        body = cv::Rect(180, 60, 290, 370);
        screen = cv::Rect(194, 74, 262, 342);
        bezel = cv::Scalar(232, 235, 235);
        break;
    }
    cv::rectangle(frame, body, bezel, cv::FILLED);
    const cv::Mat content = coverSize(photo, screen.size());
    // A print has no pixel grid and no glass; it is still a picture out of focus.
    const cv::Mat shown = device == Device::print ? asRecaptured(content, false) : asRecaptured(content, true);
    shown.copyTo(frame(screen));
    return Scene{name, recompressed(frame, 75)};
}

} // namespace

cv::Mat coverFrame(const cv::Mat &image)
{
    return coverSize(image, frameSize);
}

std::vector<Scene> realFaceScenes(const std::string &testdata)
{
    std::vector<Scene> scenes;
    for (const char *person : {"Barack_Obama", "Joe_Biden"})
        for (const auto &file : filesIn(fs::path(testdata) / "identities" / person))
            scenes.push_back({std::string(person) + "/" + file.filename().string(), coverFrame(cv::imread(file.string()))});
    const cv::Mat background = room(testdata);
    int placed = 0;
    for (const char *person : {"John_Salley", "John_Savage", "John_Schneider"})
        for (const auto &file : filesIn(fs::path(testdata) / "identities" / person)) {
            cv::Mat chip;
            cv::resize(cv::imread(file.string()), chip, cv::Size(230, 230), 0, 0, cv::INTER_LINEAR);
            cv::Mat frame = background.clone();
            // Off the centre, and somewhere else each time.
            blendHead(frame, chip, cv::Point(60 + (placed * 97) % 340, 20 + (placed * 53) % 220));
            ++placed;
            scenes.push_back({std::string(person) + "/" + file.filename().string(), frame});
        }
    for (const auto &file : filesIn(fs::path(testdata) / "groups"))
        if (file.filename() != "dogs.jpg")
            scenes.push_back({file.filename().string(), coverFrame(cv::imread(file.string()))});
    cv::VideoCapture clip((fs::path(testdata) / "video" / "short_hamilton_clip.mp4").string());
    cv::Mat videoFrame;
    for (int i = 0; clip.read(videoFrame); ++i)
        if (i % 10 == 0)
            scenes.push_back({"video#" + std::to_string(i), coverFrame(videoFrame)});
    return scenes;
}

std::vector<Scene> spoofScenes(const std::string &testdata)
{
    std::vector<Scene> scenes;
    const cv::Mat background = room(testdata);
    for (const char *person : {"Barack_Obama", "Joe_Biden", "John_Salley", "John_Savage", "John_Schneider"})
        for (const auto &file : filesIn(fs::path(testdata) / "identities" / person)) {
            const cv::Mat photo = cv::imread(file.string());
            const std::string name = std::string(person) + "/" + file.filename().string();
            scenes.push_back(shownOn(background, photo, Device::phone, "phone:" + name));
            scenes.push_back(shownOn(background, photo, Device::monitor, "monitor:" + name));
            scenes.push_back(shownOn(background, photo, Device::print, "print:" + name));
        }
    return scenes;
}

} // namespace vardo::bench
