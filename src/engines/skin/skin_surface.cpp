#include "engines/skin/skin_surface.h"

#include "engines/skin/skin_engine.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

namespace tevarro {

namespace {

// Mouse button codes of the engine's events: 0 left, 1 right, 2 middle.
int ButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return 1;
    case Qt::MiddleButton:
        return 2;
    default:
        return 0;
    }
}

}  // namespace

SkinSurface::SkinSurface(QWidget* window, std::shared_ptr<SkinFormInstance> form, ISkin* events)
    : QWidget(window), form_(std::move(form)), events_(events)
{
    setObjectName(QLatin1String(SkinEngine::SurfaceObjectName));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setGeometry(QRect(QPoint(0, 0), form_->Desc().size));
    form_->SetSurface(this);
}

SkinSurface::~SkinSurface()
{
    if (form_->Surface() == this || form_->Surface() == nullptr) {
        form_->SetSurface(nullptr);
        form_->hovered = nullptr;
        form_->pressed = nullptr;
    }
}

void SkinSurface::Retire()
{
    retired_ = true;
    hide();
    deleteLater();
}

void SkinSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const LoadedSkin& skin = form_->Skin();
    painter.drawPixmap(0, 0, skin.artwork->Background(form_->Desc().name, size(), devicePixelRatioF()));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto& object : form_->Objects()) {
        if (!object->IsVisible())
            continue;
        QRect area = object->Bounds();
        if (object->Desc().kind == SkinKind::ScrollBar)
            area = area.united(static_cast<const SkinScrollBar*>(object.get())->ThumbRect());
        if (!event->region().intersects(area))
            continue;
        painter.save();
        object->Paint(painter, *skin.artwork);
        painter.restore();
    }
}

void SkinSurface::Repaint(SkinObjectBase* object)
{
    if (object)
        object->Redraw();
}

void SkinSurface::SetHovered(SkinObjectBase* object)
{
    if (form_->hovered == object)
        return;
    SkinObjectBase* old = form_->hovered;
    form_->hovered = object;
    Repaint(old);
    Repaint(object);
    const bool pointing = object && object->Desc().kind != SkinKind::Drag;
    if (pointing)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void SkinSurface::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    SkinObjectBase* object = retired_ ? nullptr : form_->HitTest(point);
    if (!object || form_->pressed || !object->Desc().enabled)
        return;
    QWidget* window = this->window();
    const SkinObjectDesc& desc = object->Desc();

    if (desc.kind == SkinKind::Drag) {
        if (event->button() != Qt::LeftButton)
            return;
        // Let the window manager move the window where it can; elsewhere
        // (no window manager, offscreen) move it by hand.
        if (window->windowHandle() && window->windowHandle()->startSystemMove())
            return;
        moving_ = object;
        moveOffset_ = event->globalPosition().toPoint() - window->pos();
        return;
    }

    if (event->button() != Qt::LeftButton)
        return;
    form_->pressed = object;
    form_->pressedInside = true;
    Repaint(object);
    if (desc.kind == SkinKind::Button && desc.action != SkinAction::Command)
        return;  // chrome raises no events

    QPointer<SkinSurface> alive(this);
    if (events_)
        emit events_->OnMouseDown(object, ButtonCode(event->button()), point.x(), point.y());
    if (!alive || retired_ || form_->pressed != object)
        return;
    if (desc.kind == SkinKind::ScrollBar) {
        auto* bar = static_cast<SkinScrollBar*>(object);
        tracking_ = object;
        if (bar->ThumbRect().contains(point)) {
            grabOffset_ = point.x() - bar->ThumbCenterX();
        } else {
            // A press on the track jumps the thumb's centre to the mouse.
            grabOffset_ = 0;
            int before = 0;
            bar->GetPosition(before);
            const int after = bar->PositionAt(point.x());
            if (after != before) {
                bar->SetPosition(after);
                if (events_ && alive && !retired_)
                    emit events_->OnScrollTrack(object, after);
            }
        }
    }
}

void SkinSurface::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (moving_) {
        window()->move(event->globalPosition().toPoint() - moveOffset_);
        return;
    }
    SkinObjectBase* pressed = form_->pressed;
    if (pressed && tracking_ == pressed) {
        auto* bar = static_cast<SkinScrollBar*>(pressed);
        int before = 0;
        bar->GetPosition(before);
        const int after = bar->PositionAt(point.x() - grabOffset_);
        if (after != before) {
            bar->SetPosition(after);
            if (events_ && !retired_)
                emit events_->OnScrollTrack(pressed, after);
        }
        return;
    }
    if (pressed) {
        const bool inside = pressed->Bounds().contains(point);
        if (inside != form_->pressedInside) {
            form_->pressedInside = inside;
            Repaint(pressed);
        }
        return;
    }
    SetHovered(form_->HitTest(point));
}

void SkinSurface::EndPress()
{
    SkinObjectBase* pressed = form_->pressed;
    form_->pressed = nullptr;
    form_->pressedInside = false;
    tracking_ = nullptr;
    Repaint(pressed);
}

void SkinSurface::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (moving_) {
        moving_ = nullptr;
        return;
    }
    SkinObjectBase* object = form_->pressed;
    if (!object || event->button() != Qt::LeftButton)
        return;
    const SkinObjectDesc& desc = object->Desc();
    const bool inside = object->Bounds().contains(point) || object == tracking_;
    // Drop the pressed look before any handler runs: a click may start work
    // that keeps the event loop busy for a long time.
    EndPress();
    SetHovered(form_->HitTest(point));

    if (desc.kind == SkinKind::Button && desc.action != SkinAction::Command) {
        if (!inside)
            return;
        QWidget* window = this->window();
        if (desc.action == SkinAction::Minimize)
            window->showMinimized();
        else
            window->close();  // runs the window's own close handling
        return;
    }

    QPointer<SkinSurface> alive(this);
    if (events_)
        emit events_->OnMouseUp(object, ButtonCode(event->button()), point.x(), point.y());
    if (!alive || retired_)
        return;
    if (desc.kind == SkinKind::Button && inside && events_)
        emit events_->OnClick(object);
}

void SkinSurface::leaveEvent(QEvent* event)
{
    if (!form_->pressed)
        SetHovered(nullptr);
    QWidget::leaveEvent(event);
}

void SkinSurface::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();  // buttons take their disabled look
    QWidget::changeEvent(event);
}

bool SkinSurface::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        SkinObjectBase* object = form_->HitTest(help->pos());
        if (object && !object->Desc().tip.isEmpty())
            QToolTip::showText(help->globalPos(), object->Desc().tip, this, object->Bounds());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace tevarro
