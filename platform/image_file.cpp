#include "platform/image_file.h"

#include <QImage>
#include <QImageReader>
#include <QString>

namespace vardo {

cv::Mat readImageFile(const std::string &path)
{
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Transparency is dropped, as a camera would show the picture's colours.
    image = image.convertToFormat(QImage::Format_BGR888);
    if (image.isNull())
        return {};
    const cv::Mat view(image.height(), image.width(), CV_8UC3, image.bits(), static_cast<std::size_t>(image.bytesPerLine()));
    return view.clone();
}

} // namespace vardo
