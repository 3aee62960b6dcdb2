// Tevarro's skin engine: draws windows from a skin file (see docs/skin-format.md)
// and reports mouse input on the skin's named objects through ISkin's signals.
//
// One engine serves every window of the program. LoadSkin reads a file and
// registers its fonts with the application; ApplySkin/ApplySkinByName give a
// window a form: the window becomes frameless with the form's fixed client
// size, gets the form's style sheet, and a surface child (at the bottom of its
// children) draws the artwork and every object. Re-applying the form a window
// already has keeps its objects and their state. Object pointers stay valid
// until the next LoadSkin or the engine's destruction.
//
// Chrome: objects of kind "drag" move the window; buttons with the action
// "minimize" or "close" call showMinimized() or close() on the window (so the
// window's close handling runs) and raise no events.
//
// Threads: construct and use on the UI thread; needs a QApplication. Signals
// are emitted on the UI thread, from inside the window's mouse handlers.
#pragma once

#include "engines/skin.h"

#include <QStringList>
#include <memory>

namespace tevarro {

class SkinEngine final : public ISkin {
    Q_OBJECT
public:
    // objectName of the surface widget a skinned window gets, for tools and tests.
    static constexpr const char* SurfaceObjectName = "tevarro_skin_surface";

    explicit SkinEngine(QObject* parent = nullptr);
    ~SkinEngine() override;

    // Throws SkinError naming the file for a missing or unreadable file, a
    // wrong magic header or version, a damaged container or manifest, missing
    // artwork, or a skin without a form. On failure the previous skin stays.
    void LoadSkin(const QString& path) override;
    // Throw SkinError when no skin is loaded, the window is null, or the
    // named form does not exist.
    void ApplySkin(QWidget* window) override;
    void ApplySkinByName(QWidget* window, const QString& formName) override;
    // Throws SkinError when the window has no skin form.
    ISkinObject* GetSkinForm(QWidget* window) override;

    // The forms of the loaded skin, in file order; empty before LoadSkin.
    QStringList FormNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tevarro
