// The loaded artwork of one skin: the parts sheet (an SVG whose element ids
// name button states, thumbs, fills and icons), each form's background SVG and
// the skin's fonts. Renders parts on demand and caches the bitmaps.
//
// Threads: UI thread only (QSvgRenderer and QPixmap).
#pragma once

#include "engines/skin/skin_model.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QSvgRenderer>
#include <functional>
#include <map>
#include <memory>

class QPainter;

namespace tevarro {

class SkinArtwork {
public:
    // Loads the SVGs named by the document from the entries and checks that
    // every element the document refers to exists. Throws SkinError naming
    // fileName and the faulty reference.
    SkinArtwork(const SkinDocument& skin, const std::map<QString, QByteArray>& entries,
                const QString& fileName);

    // Draws a part into target. With margins, the part is rendered at its own
    // size and stretched as a nine-slice so its corners keep their shape;
    // without, it is scaled to target.
    void DrawPart(QPainter& painter, const QString& id, const QRect& target,
                  const QMargins& margins = {}) const;
    // Draws a part at its own size centred at center.
    void DrawPartCentered(QPainter& painter, const QString& id, QPointF center) const;
    QSize PartSize(const QString& id) const;

    // The form's background at size, for a device pixel ratio.
    QPixmap Background(const QString& formName, QSize size, qreal dpr) const;

    QFont Font(const QString& name) const;

private:
    QPixmap RenderPart(const QString& id, QSize size, qreal dpr) const;
    // Renders with `render` into a transparent pixmap of size * dpr, once per key.
    QPixmap Cached(const QString& key, QSize size, qreal dpr,
                   const std::function<void(QPainter&, const QRectF&)>& render) const;

    std::unique_ptr<QSvgRenderer> parts_;
    std::map<QString, std::unique_ptr<QSvgRenderer>> backgrounds_;  // by form name
    std::map<QString, QFont> fonts_;
    mutable QHash<QString, QPixmap> cache_;
};

}  // namespace tevarro
