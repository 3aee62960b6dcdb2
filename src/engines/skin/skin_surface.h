// The child widget that draws a skin form over the whole client area of a
// window and turns mouse input on its objects into the engine's events. It is
// kept at the bottom of the window's children so that ordinary controls the
// program places afterwards lie over the artwork.
//
// Threads: UI thread only.
#pragma once

#include "engines/skin/skin_objects.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace tevarro {

class ISkin;

class SkinSurface final : public QWidget {
    Q_OBJECT
public:
    SkinSurface(QWidget* window, std::shared_ptr<SkinFormInstance> form, ISkin* events);
    ~SkinSurface() override;

    SkinFormInstance& Form() const { return *form_; }
    // Takes the surface off its window for good: hidden, raising no more
    // events (also not the rest of a click being handled now), deleted later.
    void Retire();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SetHovered(SkinObjectBase* object);
    void Repaint(SkinObjectBase* object);
    void EndPress();

    std::shared_ptr<SkinFormInstance> form_;
    QPointer<ISkin> events_;
    SkinObjectBase* tracking_ = nullptr;  // the scroll bar whose thumb follows the mouse
    int grabOffset_ = 0;                  // mouse x minus thumb centre when the drag began
    bool retired_ = false;
    SkinObjectBase* moving_ = nullptr;    // the drag area moving the window by hand
    QPoint moveOffset_;                   // global mouse minus window position
};

}  // namespace tevarro
