#include "app/preview_surface.h"

#include <QPainter>

namespace tevarro {

PreviewSurface::PreviewSurface(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoEdit1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewSurface::ShowFrame(const QImage& frame)
{
    frame_ = frame;
    update();
}

void PreviewSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull())
        return;
    const QSize fitted = frame_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame_);
}

void PreviewSurface::hideEvent(QHideEvent* event)
{
    // The next preview starts on black, not on the last picture of this one.
    frame_ = QImage();
    QWidget::hideEvent(event);
}

}  // namespace tevarro
