// Photos of strangers at the locked screen: the session's photos, shown to the owner in
// the alert after the next unlock, and the history of the newest stored ones.
//
// The lists change on the main thread at once; the files are written on the processing
// queue, which is serial, so writes and clearing keep the order they were asked in (two
// photos of one second: the later one ends up in the file). Encoding a 640 × 480 PNG
// takes tens of milliseconds and the write is synced to disk: too long to hold up the
// lock screen, but no more than one late analysed frame for the camera.

#include "engine/vardo_service.h"

#include "intruder/intruder_photo_folder.h"
#include "platform/clock.h"
#include "platform/log_sink.h"
#include "platform/task_queue.h"

namespace vardo {

namespace {

constexpr std::size_t intruderHistoryLimit = 20;

} // namespace

void VardoService::captureIntruderPhoto()
{
    std::shared_ptr<const cv::Mat> frame = lastCapturedFrame_.load();
    if (!frame) {
        platform_.log.write("[Intruder] No frame available for capture");
        return;
    }
    const double now = platform_.clock.now();
    const IntruderPhoto photo{QUuid::createUuid(), modules_.intruderPhotoFolder.filePathFor(now), now};
    intruderPhotos_.append(photo);
    intruderHistory_.prepend(photo);
    // The files of photos that drop out stay on disk, until the history is cleared.
    intruderHistory_.truncate(intruderHistoryLimit);

    // The write task holds nothing of the service: it may still run while the service
    // is taken down (the processing queue is drained then). The kept frame is never
    // changed once stored, so the shared copy is safe to read there.
    platform_.processingQueue.post([&folder = modules_.intruderPhotoFolder, &log = platform_.log,
                                    &mainQueue = platform_.mainQueue, alive = alive_, this, frame = std::move(frame),
                                    id = photo.id, path = photo.path] {
        if (!folder.save(*frame, path, log))
            return;
        mainQueue.post([alive, this, id] {
            if (!alive.expired())
                markIntruderPhotoSaved(id);
        });
    });
    platform_.log.write("[Intruder] Captured intruder photo (" + std::to_string(intruderPhotos_.size()) + " session, "
                        + std::to_string(intruderHistory_.size()) + " history)");
}

void VardoService::markIntruderPhotoSaved(const QUuid &id)
{
    intruderPhotos_.setSaved(id, true);
    intruderHistory_.setSaved(id, true);
}

void VardoService::loadIntruderHistory()
{
    intruderHistory_.replaceAll(modules_.intruderPhotoFolder.load(intruderHistoryLimit, platform_.log));
}

void VardoService::clearIntruderHistory()
{
    intruderHistory_.clear();
    // The session's photos stay in their list, but their files go with the folder. The
    // answer comes after that of every write asked for before, and before that of every
    // write asked for after.
    platform_.processingQueue.post([&folder = modules_.intruderPhotoFolder, &log = platform_.log,
                                    &mainQueue = platform_.mainQueue, alive = alive_, this] {
        folder.clear(log);
        mainQueue.post([alive, this] {
            if (alive.expired())
                return;
            for (const IntruderPhoto &photo : intruderPhotos_.items())
                intruderPhotos_.setSaved(photo.id, false);
        });
    });
}

void VardoService::dismissIntruderAlert()
{
    intruderPhotos_.clear();
    intruderFrameCount_ = 0;
    setShowIntruderAlert(false);
}

} // namespace vardo
