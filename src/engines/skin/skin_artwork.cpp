#include "engines/skin/skin_artwork.h"

#include "engines/skin.h"

#include <qdrawutil.h>
#include <QPainter>
#include <cmath>

namespace tevarro {

namespace {

[[noreturn]] void Fail(const QString& fileName, const QString& what)
{
    throw SkinError(QStringLiteral("Skin file \"%1\": %2").arg(fileName, what).toStdString());
}

std::unique_ptr<QSvgRenderer> LoadSvg(const std::map<QString, QByteArray>& entries, const QString& name,
                                      const QString& fileName)
{
    auto renderer = std::make_unique<QSvgRenderer>(entries.at(name));
    if (!renderer->isValid())
        Fail(fileName, QStringLiteral("the artwork \"%1\" is not a readable SVG").arg(name));
    return renderer;
}

}  // namespace

SkinArtwork::SkinArtwork(const SkinDocument& skin, const std::map<QString, QByteArray>& entries,
                         const QString& fileName)
{
    parts_ = LoadSvg(entries, skin.parts, fileName);
    auto requirePart = [&](const QString& id, const QString& where) {
        if (!id.isEmpty() && !parts_->elementExists(id))
            Fail(fileName, QStringLiteral("%1: the parts sheet has no element \"%2\"").arg(where, id));
    };
    for (const auto& [name, look] : skin.looks) {
        const QString where = QStringLiteral("look \"%1\"").arg(name);
        for (const QString& id : {look.normal, look.hover, look.pressed, look.disabled})
            requirePart(id, where);
    }
    for (const SkinFormDesc& form : skin.forms) {
        backgrounds_[form.name] = LoadSvg(entries, form.background, fileName);
        for (const SkinObjectDesc& object : form.objects) {
            const QString where = QStringLiteral("form \"%1\", object \"%2\"").arg(form.name, object.name);
            for (const QString& id : {object.icon, object.image, object.track, object.fill, object.thumb})
                requirePart(id, where);
        }
    }
    for (const auto& [name, desc] : skin.fonts) {
        QFont font(desc.family);
        font.setPixelSize(desc.pixelSize);
        font.setBold(desc.bold);
        // Full hinting-free antialiased glyphs look the same on every machine.
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setStyleStrategy(QFont::PreferAntialias);
        fonts_[name] = font;
    }
}

QSize SkinArtwork::PartSize(const QString& id) const
{
    const QRectF bounds = parts_->boundsOnElement(id);
    return QSize(qMax(1, int(std::lround(bounds.width()))), qMax(1, int(std::lround(bounds.height()))));
}

QPixmap SkinArtwork::Cached(const QString& key, QSize size, qreal dpr,
                            const std::function<void(QPainter&, const QRectF&)>& render) const
{
    auto it = cache_.constFind(key);
    if (it != cache_.constEnd())
        return *it;
    QPixmap pixmap(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))));
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        render(painter, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
    }
    pixmap.setDevicePixelRatio(dpr);
    cache_.insert(key, pixmap);
    return pixmap;
}

QPixmap SkinArtwork::RenderPart(const QString& id, QSize size, qreal dpr) const
{
    const QString key = QStringLiteral("part|%1|%2x%3|%4").arg(id).arg(size.width()).arg(size.height()).arg(dpr);
    return Cached(key, size, dpr, [&](QPainter& painter, const QRectF& bounds) { parts_->render(&painter, id, bounds); });
}

void SkinArtwork::DrawPart(QPainter& painter, const QString& id, const QRect& target,
                           const QMargins& margins) const
{
    if (id.isEmpty() || target.isEmpty())
        return;
    const qreal dpr = painter.device()->devicePixelRatioF();
    if (margins.isNull()) {
        painter.drawPixmap(target.topLeft(), RenderPart(id, target.size(), dpr));
        return;
    }
    const QPixmap pixmap = RenderPart(id, PartSize(id), dpr);
    qDrawBorderPixmap(&painter, target, margins, pixmap);
}

void SkinArtwork::DrawPartCentered(QPainter& painter, const QString& id, QPointF center) const
{
    if (id.isEmpty())
        return;
    const QSize size = PartSize(id);
    const QPointF topLeft(std::round(center.x() - size.width() / 2.0), std::round(center.y() - size.height() / 2.0));
    painter.drawPixmap(topLeft, RenderPart(id, size, painter.device()->devicePixelRatioF()));
}

QPixmap SkinArtwork::Background(const QString& formName, QSize size, qreal dpr) const
{
    const QString key = QStringLiteral("bg|%1|%2x%3|%4").arg(formName).arg(size.width()).arg(size.height()).arg(dpr);
    return Cached(key, size, dpr, [&](QPainter& painter, const QRectF& bounds) {
        backgrounds_.at(formName)->render(&painter, bounds);
    });
}

QFont SkinArtwork::Font(const QString& name) const
{
    auto it = fonts_.find(name);
    return it == fonts_.end() ? QFont() : it->second;
}

}  // namespace tevarro
