#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QMediaPlayer;

namespace vardo {

// Drives the eye clip: paused on the closed eye at 1.0 s while inactive; when `active`
// turns true it plays once from 7.2 s and stops at 8.2 s, where the eye is open, and
// holds that frame; turning false goes back to 1.0 s, also in the middle of an opening.
// The clip is never looped and has no sound (the player has no audio output). Without
// the clip nothing is shown and nothing happens.
class EyeVideoPlayer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(QObject *videoOutput READ videoOutput WRITE setVideoOutput NOTIFY videoOutputChanged)
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(bool hasClip READ hasClip NOTIFY sourceChanged)
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)

public:
    static constexpr qint64 closedTime = 1000; // milliseconds
    static constexpr qint64 openStartTime = 7200;
    static constexpr qint64 openEndTime = 8200;
    static const QUrl defaultClip;

    explicit EyeVideoPlayer(QObject *parent = nullptr);
    ~EyeVideoPlayer() override;

    bool isActive() const { return isCurrentlyActive_; }
    void setActive(bool active);
    QObject *videoOutput() const { return videoOutput_; }
    void setVideoOutput(QObject *output);
    QUrl source() const { return source_; }
    void setSource(const QUrl &source);
    bool hasClip() const { return player_ != nullptr; }
    // "closed", "opening" or "open".
    QString state() const;
    QMediaPlayer *player() const { return player_.get(); }

signals:
    void activeChanged();
    void videoOutputChanged();
    void sourceChanged();
    void stateChanged();

private:
    void setupPlayer();
    void openEye();
    void closeEye();
    void removeBoundaryObserver();
    void positionReached(qint64 position);

    std::unique_ptr<QMediaPlayer> player_;
    QPointer<QObject> videoOutput_;
    QUrl source_ = defaultClip;
    bool isCurrentlyActive_ = false;
    bool loaded_ = false;
    QMetaObject::Connection boundaryObserver_;
    bool opened_ = false;
};

} // namespace vardo
