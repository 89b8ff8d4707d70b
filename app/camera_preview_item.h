#pragma once

#include "engine/camera_preview.h"

#include <QColor>
#include <QPointer>
#include <QQuickPaintedItem>

namespace vardo {

// The live camera picture of the onboarding sheet (QML type `CameraPreviewView`): the
// engine's own frames, mirrored, filling a rounded black frame, with the detected face
// outlined. While the item is visible in a window it counts as a viewer of the engine's
// preview, which decodes frames for it only then.
class CameraPreviewItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(vardo::CameraPreview *preview READ preview WRITE setPreview NOTIFY previewChanged)
    Q_PROPERTY(bool showsFaceBox READ showsFaceBox WRITE setShowsFaceBox NOTIFY showsFaceBoxChanged)
    Q_PROPERTY(QColor faceBoxColor READ faceBoxColor WRITE setFaceBoxColor NOTIFY faceBoxColorChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY radiusChanged)
    // A picture is on show (false until the first frame arrives).
    Q_PROPERTY(bool hasPicture READ hasPicture NOTIFY hasPictureChanged)
    // The item counts as a viewer of the preview right now.
    Q_PROPERTY(bool isViewing READ isViewing NOTIFY isViewingChanged)

public:
    explicit CameraPreviewItem(QQuickItem *parent = nullptr);
    ~CameraPreviewItem() override;

    CameraPreview *preview() const { return preview_; }
    void setPreview(CameraPreview *preview);
    bool showsFaceBox() const { return showsFaceBox_; }
    void setShowsFaceBox(bool shows);
    QColor faceBoxColor() const { return faceBoxColor_; }
    void setFaceBoxColor(const QColor &color);
    qreal radius() const { return radius_; }
    void setRadius(qreal radius);
    bool hasPicture() const;
    bool isViewing() const { return viewing_; }

    void paint(QPainter *painter) override;

signals:
    void previewChanged();
    void showsFaceBoxChanged();
    void faceBoxColorChanged();
    void radiusChanged();
    void hasPictureChanged();
    void isViewingChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    void updateViewing();
    void stopViewing();

    QPointer<CameraPreview> preview_;
    bool showsFaceBox_ = true;
    QColor faceBoxColor_ = QColor(0x2f, 0xb4, 0x57);
    qreal radius_ = 16;
    bool viewing_ = false;
    bool hadPicture_ = false;
};

} // namespace vardo
