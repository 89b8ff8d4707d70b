#include "app/camera_preview_item.h"

#include "engine/camera_preview.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace vardo {

CameraPreviewItem::CameraPreviewItem(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setOpaquePainting(false);
    setAntialiasing(true);
}

CameraPreviewItem::~CameraPreviewItem()
{
    stopViewing();
}

void CameraPreviewItem::setPreview(CameraPreview *preview)
{
    if (preview_ == preview)
        return;
    stopViewing();
    if (preview_)
        disconnect(preview_, nullptr, this, nullptr);
    preview_ = preview;
    if (preview_) {
        connect(preview_, &CameraPreview::frameChanged, this, [this] {
            update();
            if (hasPicture() != hadPicture_) {
                hadPicture_ = hasPicture();
                emit hasPictureChanged();
            }
        });
        connect(preview_, &CameraPreview::facesChanged, this, [this] { update(); });
    }
    emit previewChanged();
    updateViewing();
    update();
}

void CameraPreviewItem::setShowsFaceBox(bool shows)
{
    if (showsFaceBox_ == shows)
        return;
    showsFaceBox_ = shows;
    emit showsFaceBoxChanged();
    update();
}

void CameraPreviewItem::setFaceBoxColor(const QColor &color)
{
    if (faceBoxColor_ == color)
        return;
    faceBoxColor_ = color;
    emit faceBoxColorChanged();
    update();
}

void CameraPreviewItem::setRadius(qreal radius)
{
    if (qFuzzyCompare(radius_, radius))
        return;
    radius_ = radius;
    emit radiusChanged();
    update();
}

bool CameraPreviewItem::hasPicture() const
{
    return viewing_ && preview_ && !preview_->picture().empty();
}

void CameraPreviewItem::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemVisibleHasChanged || change == ItemSceneChange)
        updateViewing();
}

// A viewer only while the picture can be seen: visible, in a window. A closed sheet
// hides its content, so closing the onboarding ends the decoding for it.
void CameraPreviewItem::updateViewing()
{
    const bool shouldView = preview_ && isVisible() && window();
    if (shouldView == viewing_)
        return;
    if (shouldView) {
        preview_->addViewer();
        viewing_ = true;
        emit isViewingChanged();
    } else {
        stopViewing();
    }
}

void CameraPreviewItem::stopViewing()
{
    if (!viewing_)
        return;
    viewing_ = false;
    if (preview_)
        preview_->removeViewer();
    emit isViewingChanged();
}

void CameraPreviewItem::paint(QPainter *painter)
{
    const QRectF frame = boundingRect();
    QPainterPath rounded;
    rounded.addRoundedRect(frame, radius_, radius_);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->fillPath(rounded, Qt::black);
    if (!hasPicture())
        return;

    const cv::Mat &picture = preview_->picture();
    const QImage image(picture.data, picture.cols, picture.rows, static_cast<qsizetype>(picture.step),
                       QImage::Format_BGR888);
    // Fill the frame, cropping what sticks out, as a camera viewfinder does.
    const qreal scale = std::max(frame.width() / image.width(), frame.height() / image.height());
    const QSizeF shown(image.width() * scale, image.height() * scale);
    const QRectF target(frame.center().x() - shown.width() / 2, frame.center().y() - shown.height() / 2,
                        shown.width(), shown.height());
    painter->save();
    painter->setClipPath(rounded);
    painter->drawImage(target, image);
    if (showsFaceBox_) {
        QPen pen(faceBoxColor_, 3);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        for (const QRectF &box : preview_->faceBoxes()) {
            const QRectF onScreen(target.x() + box.x() * target.width(), target.y() + box.y() * target.height(),
                                  box.width() * target.width(), box.height() * target.height());
            painter->drawRoundedRect(onScreen, 10, 10);
        }
    }
    painter->restore();
}

} // namespace vardo
