#include "screens/eye_video_player.h"

#include <QFile>
#include <QMediaPlayer>

namespace vardo {

const QUrl EyeVideoPlayer::defaultClip(QStringLiteral("qrc:/NerovaVardo/artwork/eye_video.mp4"));

namespace {

bool clipExists(const QUrl &url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QFile::exists(QLatin1Char(':') + url.path());
    return url.isLocalFile() && QFile::exists(url.toLocalFile());
}

} // namespace

EyeVideoPlayer::EyeVideoPlayer(QObject *parent) : QObject(parent)
{
    setupPlayer();
}

EyeVideoPlayer::~EyeVideoPlayer() = default;

void EyeVideoPlayer::setupPlayer()
{
    removeBoundaryObserver();
    player_.reset();
    loaded_ = false;
    opened_ = false;
    if (!clipExists(source_))
        return;
    player_ = std::make_unique<QMediaPlayer>();
    player_->setLoops(1);
    if (videoOutput_)
        player_->setVideoOutput(videoOutput_.data());
    // Positions are honoured once the clip is loaded: the state asked for meanwhile is
    // applied then.
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        // The end of the clip reached before a position past 8.2 s was reported: the eye
        // is open all the same.
        if (status == QMediaPlayer::EndOfMedia && boundaryObserver_) {
            positionReached(openEndTime);
            return;
        }
        if (loaded_ || (status != QMediaPlayer::LoadedMedia && status != QMediaPlayer::BufferedMedia))
            return;
        loaded_ = true;
        if (isCurrentlyActive_)
            openEye();
        else
            closeEye();
    });
    player_->setSource(source_);
}

void EyeVideoPlayer::setActive(bool active)
{
    if (active == isCurrentlyActive_)
        return;
    isCurrentlyActive_ = active;
    if (active)
        openEye();
    else
        closeEye();
    emit activeChanged();
}

void EyeVideoPlayer::setVideoOutput(QObject *output)
{
    if (output == videoOutput_)
        return;
    videoOutput_ = output;
    if (player_)
        player_->setVideoOutput(output);
    // A paused player shows a frame only when it seeks: the closed eye again, for the
    // new output.
    if (loaded_ && !isCurrentlyActive_)
        closeEye();
    emit videoOutputChanged();
}

void EyeVideoPlayer::setSource(const QUrl &source)
{
    if (source == source_)
        return;
    source_ = source;
    setupPlayer();
    emit sourceChanged();
    emit stateChanged();
}

QString EyeVideoPlayer::state() const
{
    if (boundaryObserver_)
        return QStringLiteral("opening");
    return opened_ ? QStringLiteral("open") : QStringLiteral("closed");
}

void EyeVideoPlayer::openEye()
{
    removeBoundaryObserver();
    if (!player_ || !loaded_)
        return;
    opened_ = false;
    player_->setPosition(openStartTime);
    player_->play();
    boundaryObserver_ = connect(player_.get(), &QMediaPlayer::positionChanged, this, &EyeVideoPlayer::positionReached);
    emit stateChanged();
}

// The boundary: the position is reported a few times a second, so playback may pass
// 8.2 s by a frame or two before it is seen; it is put back on the open frame.
void EyeVideoPlayer::positionReached(qint64 position)
{
    if (position < openEndTime)
        return;
    player_->pause();
    player_->setPosition(openEndTime);
    removeBoundaryObserver();
    opened_ = true;
    emit stateChanged();
}

void EyeVideoPlayer::closeEye()
{
    removeBoundaryObserver();
    opened_ = false;
    if (player_ && loaded_) {
        player_->pause();
        player_->setPosition(closedTime);
    }
    emit stateChanged();
}

void EyeVideoPlayer::removeBoundaryObserver()
{
    if (boundaryObserver_)
        disconnect(boundaryObserver_);
    boundaryObserver_ = {};
}

} // namespace vardo
