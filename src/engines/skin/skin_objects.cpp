#include "engines/skin/skin_objects.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace tevarro {

namespace {

SkinRect ToSkinRect(const QRect& rect)
{
    return SkinRect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

// ---- SkinObjectBase --------------------------------------------------------

SkinObjectBase::SkinObjectBase(SkinFormInstance& form, const SkinObjectDesc& desc)
    : form_(form), desc_(desc), rect_(ToSkinRect(desc.rect)), visible_(desc.visible), shown_(Bounds())
{
}

QRect SkinObjectBase::Bounds() const
{
    // Right and Bottom are exclusive, as the rectangle's users expect.
    return QRect(rect_.Left, rect_.Top, qMax(0, rect_.Right - rect_.Left), qMax(0, rect_.Bottom - rect_.Top));
}

bool SkinObjectBase::TakesMouse() const
{
    return desc_.kind == SkinKind::Button || desc_.kind == SkinKind::ScrollBar || desc_.kind == SkinKind::Drag;
}

void SkinObjectBase::Redraw()
{
    QRect now = Bounds();
    if (desc_.kind == SkinKind::ScrollBar && !now.isEmpty()) {
        // The thumb may stand out above and below the track.
        now = now.united(static_cast<const SkinScrollBar*>(this)->ThumbRect());
    }
    form_.Invalidate(shown_.united(now));
    shown_ = now;
}

// ---- SkinButton ------------------------------------------------------------

void SkinButton::Paint(QPainter& painter, const SkinArtwork& artwork) const
{
    const QRect rect = Bounds();
    const SkinLookDesc& look = form_.Skin().document.looks.at(desc_.look);
    const QWidget* surface = form_.Surface();
    const bool disabled = !desc_.enabled || (surface && !surface->isEnabled());
    const bool pressed = !disabled && form_.pressed == this && form_.pressedInside;
    const bool hover = !disabled && !pressed && form_.hovered == this
        && (form_.pressed == nullptr || form_.pressed == this);

    QString part = look.normal;
    QColor color = desc_.color.isValid() ? desc_.color : look.color;
    if (disabled) {
        part = look.disabled;
        color = look.disabledColor;
    } else if (pressed) {
        part = look.pressed;
        color = desc_.color.isValid() ? desc_.color : look.pressedColor;
    } else if (hover) {
        part = look.hover;
        color = desc_.color.isValid() ? desc_.color : look.hoverColor;
    }
    artwork.DrawPart(painter, part, rect, look.margins);

    const int shift = pressed ? look.pressedShift : 0;
    const QFont font = artwork.Font(desc_.font.isEmpty() ? look.font : desc_.font);
    const QFontMetrics metrics(font);
    const QSize iconSize = desc_.icon.isEmpty() ? QSize() : artwork.PartSize(desc_.icon);
    const int labelWidth = desc_.label.isEmpty() ? 0 : metrics.horizontalAdvance(desc_.label);
    const QPointF center = QRectF(rect).center() + QPointF(0, shift);

    QPointF iconCenter = center;
    QRectF labelRect;
    if (desc_.column) {
        const int gap = (iconSize.isValid() && labelWidth) ? 2 : 0;
        const qreal total = iconSize.height() + gap + (labelWidth ? metrics.height() : 0);
        const qreal top = center.y() - total / 2;
        iconCenter = QPointF(center.x(), top + iconSize.height() / 2.0);
        labelRect = QRectF(rect.left(), top + iconSize.height() + gap, rect.width(), metrics.height());
    } else {
        const int gap = (iconSize.isValid() && labelWidth) ? 5 : 0;
        const qreal total = iconSize.width() + gap + labelWidth;
        const qreal left = std::round(center.x() - total / 2);
        iconCenter = QPointF(left + iconSize.width() / 2.0, center.y());
        labelRect = QRectF(left + iconSize.width() + gap, rect.top() + shift, labelWidth + 1, rect.height());
    }
    if (iconSize.isValid()) {
        painter.save();
        if (disabled)
            painter.setOpacity(0.4);
        artwork.DrawPartCentered(painter, desc_.icon, iconCenter);
        painter.restore();
    }
    if (labelWidth) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(labelRect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, desc_.label);
    }
}

// ---- SkinText --------------------------------------------------------------

SkinText::SkinText(SkinFormInstance& form, const SkinObjectDesc& desc) : SkinObjectBase(form, desc), text_(desc.text)
{
}

void SkinText::Paint(QPainter& painter, const SkinArtwork& artwork) const
{
    const QRect rect = Bounds();
    if (rect.isEmpty() || text_.isEmpty())
        return;
    const QFont font = artwork.Font(desc_.font);
    painter.setFont(font);
    const QString shown = QFontMetrics(font).elidedText(text_, Qt::ElideRight, rect.width());
    const int flags = int(desc_.align) | Qt::TextSingleLine;
    if (desc_.shadow.isValid()) {
        painter.setPen(desc_.shadow);
        painter.drawText(rect.translated(0, 1), flags, shown);
    }
    painter.setPen(desc_.color.isValid() ? desc_.color : QColor(Qt::black));
    painter.drawText(rect, flags, shown);
}

// ---- SkinImage -------------------------------------------------------------

void SkinImage::Paint(QPainter& painter, const SkinArtwork& artwork) const
{
    const QRect rect = Bounds();
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect);
    artwork.DrawPart(painter, desc_.image, QRect(rect.topLeft(), desc_.rect.size()), desc_.imageMargins);
    painter.restore();
}

// ---- SkinScrollBar ---------------------------------------------------------

SkinScrollBar::SkinScrollBar(SkinFormInstance& form, const SkinObjectDesc& desc)
    : SkinObjectBase(form, desc), position_(desc.position)
{
}

void SkinScrollBar::SetPosition(int position)
{
    position_ = qBound(desc_.minimum, position, desc_.maximum);
    Redraw();
}

int SkinScrollBar::ThumbCenterX() const
{
    const QRect rect = Bounds();
    const int travel = qMax(0, rect.width() - desc_.thumbSize.width());
    const double share = double(position_ - desc_.minimum) / double(desc_.maximum - desc_.minimum);
    return rect.left() + desc_.thumbSize.width() / 2 + int(std::lround(share * travel));
}

QRect SkinScrollBar::ThumbRect() const
{
    const QRect rect = Bounds();
    const QSize size = desc_.thumbSize;
    return QRect(ThumbCenterX() - size.width() / 2, rect.center().y() + 1 - (size.height() + 1) / 2, size.width(),
                 size.height());
}

int SkinScrollBar::PositionAt(int x) const
{
    const QRect rect = Bounds();
    const int travel = rect.width() - desc_.thumbSize.width();
    if (travel <= 0)
        return desc_.minimum;
    const double share = double(x - rect.left() - desc_.thumbSize.width() / 2) / travel;
    const int position = desc_.minimum + int(std::lround(share * (desc_.maximum - desc_.minimum)));
    return qBound(desc_.minimum, position, desc_.maximum);
}

void SkinScrollBar::Paint(QPainter& painter, const SkinArtwork& artwork) const
{
    const QRect rect = Bounds();
    if (rect.isEmpty())
        return;
    artwork.DrawPart(painter, desc_.track, rect, desc_.trackMargins);
    if (!desc_.fill.isEmpty()) {
        painter.save();
        painter.setClipRect(QRect(rect.left(), rect.top(), ThumbCenterX() - rect.left(), rect.height()));
        artwork.DrawPart(painter, desc_.fill, rect, desc_.trackMargins);
        painter.restore();
    }
    artwork.DrawPart(painter, desc_.thumb, ThumbRect());
}

// ---- SkinFormInstance ------------------------------------------------------

SkinFormInstance::SkinFormInstance(std::shared_ptr<const LoadedSkin> skin, const SkinFormDesc& desc)
    : skin_(std::move(skin)), desc_(desc)
{
    for (const SkinObjectDesc& object : desc_.objects) {
        switch (object.kind) {
        case SkinKind::Button:
            objects_.push_back(std::make_unique<SkinButton>(*this, object));
            break;
        case SkinKind::Text:
            objects_.push_back(std::make_unique<SkinText>(*this, object));
            break;
        case SkinKind::Image:
            objects_.push_back(std::make_unique<SkinImage>(*this, object));
            break;
        case SkinKind::ScrollBar:
            objects_.push_back(std::make_unique<SkinScrollBar>(*this, object));
            break;
        case SkinKind::Drag:
            objects_.push_back(std::make_unique<SkinDragArea>(*this, object));
            break;
        }
    }
}

ISkinObject* SkinFormInstance::FindObject(const QString& name)
{
    for (const auto& object : objects_) {
        if (object->GetName() == name)
            return object.get();
    }
    return nullptr;
}

SkinObjectBase* SkinFormInstance::HitTest(QPoint point) const
{
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
        SkinObjectBase* object = it->get();
        if (!object->IsVisible() || !object->TakesMouse())
            continue;
        QRect area = object->Bounds();
        if (object->Desc().kind == SkinKind::ScrollBar)
            area = area.united(static_cast<const SkinScrollBar*>(object)->ThumbRect());
        if (area.contains(point))
            return object;
    }
    return nullptr;
}

void SkinFormInstance::Invalidate(const QRect& area)
{
    if (surface_ && !area.isEmpty())
        surface_->update(area);
}

}  // namespace tevarro
