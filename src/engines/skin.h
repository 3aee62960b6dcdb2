// The skin engine as Tevarro uses it. A skin file holds named forms (one per
// window) made of named objects; the engine draws a window from its form and
// reports clicks and mouse events on the objects by reference.
//
// Objects offer interfaces (ISkinElement, ISkinText, ISkinScrollBar); ask for
// one with QueryInterface<I>(object), which gives nullptr when the object does
// not offer it. Object pointers stay valid until the next LoadSkin or until the
// engine is destroyed.
//
// Threads: UI thread only; signals are delivered on it.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>

class QWidget;

namespace tevarro {

struct SkinRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// Raised by ISkin's operations on failure; what() names the file or form and
// says what is wrong.
class SkinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ISkinObject {
public:
    virtual ~ISkinObject() = default;
    virtual QString GetName() const = 0;
    // The form's object of that name, or nullptr. Meaningful on a form.
    virtual ISkinObject* FindObject(const QString& name) = 0;
};

class ISkinElement {
public:
    virtual ~ISkinElement() = default;
    virtual void GetRect(SkinRect& rect) const = 0;
    virtual void SetRect(const SkinRect& rect) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Shows the current text, rectangle and visibility.
    virtual void Redraw() = 0;
};

class ISkinText {
public:
    virtual ~ISkinText() = default;
    virtual void SetText(const QString& text) = 0;
};

class ISkinScrollBar {
public:
    virtual ~ISkinScrollBar() = default;
    // Position 0..10000; SetPosition shows the new position by itself.
    virtual void GetPosition(int& position) const = 0;
    virtual void SetPosition(int position) = 0;
};

template <class Interface>
Interface* QueryInterface(ISkinObject* object)
{
    return dynamic_cast<Interface*>(object);
}

class ISkin : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ISkin() override = default;

    virtual void LoadSkin(const QString& path) = 0;
    // Gives the window the skin's first form; ApplySkinByName picks a form.
    virtual void ApplySkin(QWidget* window) = 0;
    virtual void ApplySkinByName(QWidget* window, const QString& formName) = 0;
    virtual ISkinObject* GetSkinForm(QWidget* window) = 0;

signals:
    void OnClick(tevarro::ISkinObject* Source);
    void OnMouseDown(tevarro::ISkinObject* Source, int Button, int x, int y);
    void OnMouseUp(tevarro::ISkinObject* Source, int Button, int x, int y);
    void OnScrollTrack(tevarro::ISkinObject* Source, int NewPos);
};

}  // namespace tevarro
