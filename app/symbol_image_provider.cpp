#include "app/symbol_image_provider.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace vardo {

namespace {

constexpr int defaultSide = 32;

} // namespace

QImage drawSvg(QSvgRenderer &renderer, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

QImage renderSymbol(const QString &name, const QColor &color, int side)
{
    QFile file(QStringLiteral(":/qt/qml/NerovaVardo/App/symbols/") + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    const QImage image = drawSvg(renderer, side);
    if (color.alphaF() < 1.0) {
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter fader(&faded);
        fader.setOpacity(color.alphaF());
        fader.drawImage(0, 0, image);
        return faded;
    }
    return image;
}

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? id : id.left(slash);
    const QColor color = slash < 0 ? QColor(Qt::black) : QColor(QLatin1Char('#') + id.mid(slash + 1));
    const int side = requestedSize.isValid() ? std::max(requestedSize.width(), requestedSize.height()) : defaultSide;
    QImage image = renderSymbol(name, color.isValid() ? color : QColor(Qt::black), side);
    if (size)
        *size = image.size();
    return image;
}

QIcon symbolIcon(const QString &name, const QColor &color)
{
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(renderSymbol(name, color, side)));
    return icon;
}

QIcon dotIcon(const QColor &color)
{
    QIcon icon;
    for (int side : {16, 22, 24, 32}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        // 8 of 20 points, as the dot sits in its icon slot.
        const qreal diameter = side * 0.4;
        painter.drawEllipse(QRectF((side - diameter) / 2, (side - diameter) / 2, diameter, diameter));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace vardo
