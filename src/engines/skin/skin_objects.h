// Runtime objects of a skin form applied to one window. Each object offers
// ISkinObject plus the interfaces of its kind, so QueryInterface<I>() (a
// dynamic_cast) finds them:
//   button     ISkinElement
//   text       ISkinElement, ISkinText
//   image      ISkinElement
//   scrollbar  ISkinElement, ISkinScrollBar
//   drag       ISkinElement
// Setters only record; Redraw (and ISkinScrollBar::SetPosition) schedule the
// repaint of the area the object covered before and covers now.
//
// Threads: UI thread only.
#pragma once

#include "engines/skin.h"
#include "engines/skin/skin_artwork.h"
#include "engines/skin/skin_model.h"

#include <QHash>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <vector>

class QPainter;

namespace tevarro {

class SkinFormInstance;

// A loaded skin file; shared by the form instances made from it so that a
// window keeps drawing after the engine has loaded another skin.
struct LoadedSkin {
    QString fileName;
    SkinDocument document;
    std::unique_ptr<SkinArtwork> artwork;
    QHash<QString, QString> styles;  // style sheet text by form name
    // Holds the style files while any window styled from this skin lives.
    std::unique_ptr<QTemporaryDir> styleFolder;
};

class SkinObjectBase : public ISkinObject, public ISkinElement {
public:
    SkinObjectBase(SkinFormInstance& form, const SkinObjectDesc& desc);

    QString GetName() const override { return desc_.name; }
    ISkinObject* FindObject(const QString&) override { return nullptr; }

    void GetRect(SkinRect& rect) const override { rect = rect_; }
    void SetRect(const SkinRect& rect) override { rect_ = rect; }
    void SetVisible(bool visible) override { visible_ = visible; }
    void Redraw() override;

    const SkinObjectDesc& Desc() const { return desc_; }
    // The current rectangle in client pixels; empty when Right <= Left.
    QRect Bounds() const;
    bool IsVisible() const { return visible_; }
    // Buttons, scroll bars and drag areas take the mouse; texts and images
    // let it through to what lies below them.
    bool TakesMouse() const;

    virtual void Paint(QPainter& painter, const SkinArtwork& artwork) const = 0;

protected:
    SkinFormInstance& form_;
    const SkinObjectDesc& desc_;

private:
    SkinRect rect_;
    bool visible_;
    QRect shown_;  // area covered by the last Redraw
};

class SkinButton final : public SkinObjectBase {
public:
    using SkinObjectBase::SkinObjectBase;
    void Paint(QPainter& painter, const SkinArtwork& artwork) const override;
};

class SkinText final : public SkinObjectBase, public ISkinText {
public:
    SkinText(SkinFormInstance& form, const SkinObjectDesc& desc);
    void SetText(const QString& text) override { text_ = text; }
    QString Text() const { return text_; }
    void Paint(QPainter& painter, const SkinArtwork& artwork) const override;

private:
    QString text_;
};

// Artwork laid at the rectangle's top-left at the size the skin file gives the
// object, and shown only inside the current rectangle: a progress bar narrows
// its rectangle to reveal part of the fill.
class SkinImage final : public SkinObjectBase {
public:
    using SkinObjectBase::SkinObjectBase;
    void Paint(QPainter& painter, const SkinArtwork& artwork) const override;
};

class SkinScrollBar final : public SkinObjectBase, public ISkinScrollBar {
public:
    SkinScrollBar(SkinFormInstance& form, const SkinObjectDesc& desc);
    void GetPosition(int& position) const override { position = position_; }
    // Clamps to the skin's range and repaints at once.
    void SetPosition(int position) override;
    void Paint(QPainter& painter, const SkinArtwork& artwork) const override;

    QRect ThumbRect() const;
    // The position whose thumb centre lies at client x, clamped to the range.
    int PositionAt(int x) const;
    int ThumbCenterX() const;

private:
    int position_;
};

class SkinDragArea final : public SkinObjectBase {
public:
    using SkinObjectBase::SkinObjectBase;
    void Paint(QPainter&, const SkinArtwork&) const override {}
};

// A form applied to one window: the form object (ISkinObject, FindObject),
// its objects, and the mouse state the surface keeps for the button looks.
class SkinFormInstance final : public ISkinObject {
public:
    SkinFormInstance(std::shared_ptr<const LoadedSkin> skin, const SkinFormDesc& desc);

    QString GetName() const override { return desc_.name; }
    ISkinObject* FindObject(const QString& name) override;

    const SkinFormDesc& Desc() const { return desc_; }
    const LoadedSkin& Skin() const { return *skin_; }
    const std::vector<std::unique_ptr<SkinObjectBase>>& Objects() const { return objects_; }

    // The topmost visible object that takes the mouse at point, or nullptr.
    SkinObjectBase* HitTest(QPoint point) const;

    void SetSurface(QWidget* surface) { surface_ = surface; }
    QWidget* Surface() const { return surface_; }
    void Invalidate(const QRect& area);

    // Mouse state, kept by the surface, read when buttons paint.
    SkinObjectBase* hovered = nullptr;
    SkinObjectBase* pressed = nullptr;
    bool pressedInside = false;

private:
    std::shared_ptr<const LoadedSkin> skin_;
    const SkinFormDesc& desc_;
    std::vector<std::unique_ptr<SkinObjectBase>> objects_;
    QPointer<QWidget> surface_;
};

}  // namespace tevarro
