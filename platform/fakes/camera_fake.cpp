#include "platform/fakes/camera_fake.h"

namespace vardo {

class FakeCamera::Session final : public CaptureSession {
public:
    explicit Session(FakeCamera &camera) : camera_(camera) {}
    ~Session() override
    {
        if (camera_.running_ == this)
            camera_.running_ = nullptr;
        if (camera_.onSessionDestroyed)
            camera_.onSessionDestroyed();
    }

    bool addInput(const CameraDevice &device) override
    {
        camera_.lastOpenedPath = device.path;
        return !camera_.inputFails && !camera_.inputBusy;
    }
    CameraInputError inputError() const override
    {
        if (camera_.inputBusy)
            return {"Device or resource busy", true};
        return {camera_.inputFails ? "the device refuses the input" : "", false};
    }
    void setReceiver(FrameReceiver *receiver, TaskQueue &queue) override
    {
        receiver_ = receiver;
        queue_ = &queue;
    }
    void startRunning() override
    {
        ++camera_.sessionsStarted;
        camera_.running_ = this;
    }
    void stopRunning() override
    {
        ++camera_.sessionsStopped;
        if (camera_.running_ == this)
            camera_.running_ = nullptr;
    }

    void deliver()
    {
        class Frame final : public CapturedFrame {
        public:
            explicit Frame(FakeCamera &camera) : camera_(camera) {}
            bool retrieve(cv::Mat &bgr) override
            {
                ++camera_.pixelRetrievals;
                if (camera_.decode)
                    return camera_.decode(bgr);
                bgr = camera_.framePixels;
                return !bgr.empty();
            }

        private:
            FakeCamera &camera_;
        } frame(camera_);
        if (receiver_)
            receiver_->frameArrived(frame);
    }

    TaskQueue *queue() const { return queue_; }

private:
    FakeCamera &camera_;
    FrameReceiver *receiver_ = nullptr;
    TaskQueue *queue_ = nullptr;
};

std::optional<CameraDevice> FakeCamera::fallbackDevice()
{
    if (devices.empty())
        return std::nullopt;
    return devices.front();
}

void FakeCamera::requestAccess(std::function<void(bool)> completion)
{
    ++accessRequests;
    completion(userGrantsAccess);
}

std::unique_ptr<CaptureSession> FakeCamera::createSession()
{
    ++sessionsCreated;
    return std::make_unique<Session>(*this);
}

void FakeCamera::deliverFrames(int count)
{
    for (int i = 0; i < count; ++i) {
        if (!running_ || !running_->queue())
            return;
        running_->queue()->post([this] {
            if (running_)
                running_->deliver();
        });
    }
}

bool FakeCamera::isRunning() const
{
    return running_ != nullptr;
}

} // namespace vardo
