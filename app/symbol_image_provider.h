#pragma once

#include <QIcon>
#include <QImage>
#include <QQuickImageProvider>
#include <QString>

class QSvgRenderer;

namespace vardo {

// The application's symbols: small SVG drawings (app/symbols/<name>.svg, compiled in)
// whose strokes and fills are "currentColor", drawn in the colour asked for.
// QML asks "image://symbol/<name>/<rrggbb>".
class SymbolImageProvider final : public QQuickImageProvider {
public:
    SymbolImageProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

// `renderer`'s picture on a transparent square of `side` pixels.
QImage drawSvg(QSvgRenderer &renderer, int side);
// A symbol drawn in `color` at `side` pixels; a null image for an unknown name.
QImage renderSymbol(const QString &name, const QColor &color, int side);
// A symbol as an icon at the sizes menus and panels ask for.
QIcon symbolIcon(const QString &name, const QColor &color);
// A filled circle, the status dot of the tray menu.
QIcon dotIcon(const QColor &color);

} // namespace vardo
