#include "platform/camera_file.h"

#include "platform/camera_file_video.h"
#include "platform/camera_frame.h"
#include "platform/image_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace vardo {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> imagesIn(const std::string &folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && (ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The source behind a session: grab moves to the next frame, retrieve decodes it.
class Footage {
public:
    virtual ~Footage() = default;
    virtual bool grab() = 0;
    virtual bool retrieve(cv::Mat &bgr) = 0;
    virtual double framesPerSecond() const = 0;
};

class VideoFootage final : public Footage {
public:
    explicit VideoFootage(const std::string &path) : path_(path) { opened_ = video_.open(path); }
    bool opened() const { return opened_; }
    const std::string &librariesError() const { return video_.librariesError(); }
    bool grab() override
    {
        if (video_.next())
            return true;
        // End of the clip: start again from the top. A file that cannot seek is read anew.
        if (!video_.rewind())
            opened_ = video_.open(path_);
        return opened_ && video_.next();
    }
    bool retrieve(cv::Mat &bgr) override
    {
        return withoutThrowing([&] {
            cv::Mat raw;
            if (!video_.retrieve(raw) || raw.empty())
                return false;
            bgr = cameraFrameFromImage(raw);
            return true;
        });
    }
    double framesPerSecond() const override
    {
        const double fps = video_.framesPerSecond();
        return fps > 1.0 && fps < 240.0 ? fps : 30.0;
    }

private:
    std::string path_;
    VideoFileDecoder video_;
    bool opened_ = false;
};

class ImageFolderFootage final : public Footage {
public:
    explicit ImageFolderFootage(std::vector<std::string> files) : files_(std::move(files)) {}
    bool grab() override
    {
        if (files_.empty())
            return false;
        index_ = (index_ + 1) % files_.size();
        return true;
    }
    bool retrieve(cv::Mat &bgr) override
    {
        return withoutThrowing([&] {
            const cv::Mat raw = readImageFile(files_[index_]);
            if (raw.empty())
                return false;
            bgr = cameraFrameFromImage(raw);
            return true;
        });
    }
    double framesPerSecond() const override { return 30.0; }

private:
    std::vector<std::string> files_;
    std::size_t index_ = static_cast<std::size_t>(-1);
};

class FootageFrame final : public CapturedFrame {
public:
    explicit FootageFrame(Footage &footage) : footage_(footage) {}
    bool retrieve(cv::Mat &bgr) override { return footage_.retrieve(bgr); }

private:
    Footage &footage_;
};

class FileCaptureSession final : public CaptureSession {
public:
    FileCaptureSession(FileCamera &camera, const Clock &clock) : camera_(camera), clock_(clock) {}
    ~FileCaptureSession() override { *alive_ = false; }

    // A source is accepted only once one of its frames has been decoded: a file or
    // folder that delivers nothing usable must not pass for a working camera.
    bool addInput(const CameraDevice &device) override { return open(device); }

    CameraInputError inputError() const override { return error_; }

    void setReceiver(FrameReceiver *receiver, TaskQueue &queue) override
    {
        receiver_ = receiver;
        queue_ = &queue;
    }

    void startRunning() override
    {
        if (running_ || !queue_ || !footage_)
            return;
        running_ = true;
        period_ = 1.0 / footage_->framesPerSecond();
        nextDue_ = clock_.now();
        schedulePump();
    }

    void stopRunning() override { running_ = false; }

private:
    bool open(const CameraDevice &device)
    {
        std::error_code ec;
        if (!fs::exists(device.path, ec))
            return refuse("no such file or folder");
        std::unique_ptr<Footage> footage;
        if (fs::is_directory(device.path, ec)) {
            auto files = imagesIn(device.path);
            if (files.empty())
                return refuse("the folder holds no images (.jpg, .jpeg, .png, .bmp)");
            const std::size_t count = files.size();
            footage = std::make_unique<ImageFolderFootage>(std::move(files));
            // Up to the first image that decodes; the folder then plays from its start.
            cv::Mat frame;
            std::size_t tried = 0;
            while (tried < count && !(footage->grab() && footage->retrieve(frame)))
                ++tried;
            if (tried == count)
                return refuse("none of its " + std::to_string(count) + " images can be decoded");
            footage = std::make_unique<ImageFolderFootage>(imagesIn(device.path));
        } else {
            auto video = std::make_unique<VideoFootage>(device.path);
            if (!video->opened())
                return refuse(video->librariesError().empty() ? "not a video file that can be opened"
                                                              : "videos cannot be played: " + video->librariesError());
            cv::Mat frame;
            if (!video->grab() || !video->retrieve(frame))
                return refuse("no frame of the video can be decoded");
            footage = std::make_unique<VideoFootage>(device.path); // from the first frame again
        }
        footage_ = std::move(footage);
        error_ = {};
        return true;
    }

    bool refuse(std::string reason)
    {
        error_ = {std::move(reason), false};
        return false;
    }

    void schedulePump()
    {
        std::weak_ptr<bool> alive = alive_;
        queue_->postAfter(std::max(0.0, nextDue_ - clock_.now()), [this, alive] {
            if (auto a = alive.lock(); a && *a)
                pump();
        });
    }

    void pump()
    {
        if (!running_)
            return;
        // Frames whose time has passed while the previous one was being analysed are
        // skipped, as a camera drops late frames.
        while (clock_.now() - nextDue_ >= period_) {
            footage_->grab();
            nextDue_ += period_;
        }
        if (!footage_->grab()) {
            running_ = false;
            camera_.notify(CameraNotification::runtimeError);
            return;
        }
        nextDue_ += period_;
        FootageFrame frame(*footage_);
        if (receiver_)
            receiver_->frameArrived(frame);
        schedulePump();
    }

    FileCamera &camera_;
    const Clock &clock_;
    std::unique_ptr<Footage> footage_;
    CameraInputError error_;
    FrameReceiver *receiver_ = nullptr;
    TaskQueue *queue_ = nullptr;
    bool running_ = false;
    double period_ = 1.0 / 30.0;
    double nextDue_ = 0.0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace

FileCamera::FileCamera(std::string path, const Clock &clock)
    : path_(std::move(path))
    , clock_(clock)
{
}

// The source the user named is the one camera, whether or not it can be used: opening
// it says what is wrong with it.
std::vector<CameraDevice> FileCamera::discoverDevices()
{
    return {{path_, "Recorded footage " + fs::path(path_).filename().string(), true}};
}

std::optional<CameraDevice> FileCamera::preferredDevice()
{
    const auto devices = discoverDevices();
    if (devices.empty())
        return std::nullopt;
    return devices.front();
}

std::optional<CameraDevice> FileCamera::fallbackDevice()
{
    return preferredDevice();
}

std::unique_ptr<CaptureSession> FileCamera::createSession()
{
    return std::make_unique<FileCaptureSession>(*this, clock_);
}

void FileCamera::setNotificationHandler(std::function<void(CameraNotification)> handler)
{
    notifier_.setHandler(std::move(handler));
}

} // namespace vardo
