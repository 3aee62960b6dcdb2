// An in-memory skin for tests of the window's logic: forms "ipod" and
// "register" whose objects remember what was done to them.
#pragma once

#include "engines/skin.h"

#include <QHash>
#include <QSet>
#include <memory>
#include <vector>

namespace tevarro::testing {

class FakeObject : public ISkinObject, public ISkinElement, public ISkinText, public ISkinScrollBar {
public:
    explicit FakeObject(QString name) : name_(std::move(name)) {}

    QString GetName() const override { return name_; }
    ISkinObject* FindObject(const QString&) override { return nullptr; }
    void GetRect(SkinRect& rect) const override { rect = rect_; }
    void SetRect(const SkinRect& rect) override { rect_ = rect; }
    void SetVisible(bool visible) override { visible_ = visible; }
    void Redraw() override { ++redraws; }
    void SetText(const QString& text) override { text_ = text; }
    void GetPosition(int& position) const override { position = position_; }
    void SetPosition(int position) override { position_ = position; }

    QString text_;
    SkinRect rect_;
    bool visible_ = true;
    int position_ = 0;
    int redraws = 0;

private:
    QString name_;
};

// A text object that offers only ISkinText, for the "lacks an interface" case.
class TextOnlyObject : public ISkinObject, public ISkinText {
public:
    explicit TextOnlyObject(QString name) : name_(std::move(name)) {}
    QString GetName() const override { return name_; }
    ISkinObject* FindObject(const QString&) override { return nullptr; }
    void SetText(const QString&) override {}

private:
    QString name_;
};

class FakeForm : public ISkinObject {
public:
    explicit FakeForm(QString name) : name_(std::move(name)) {}
    QString GetName() const override { return name_; }
    ISkinObject* FindObject(const QString& name) override { return objects.value(name); }

    QHash<QString, ISkinObject*> objects;

private:
    QString name_;
};

class FakeSkin : public ISkin {
    Q_OBJECT
public:
    // Objects named in `omit` are left out; those in `textOnly` offer only
    // ISkinText.
    explicit FakeSkin(QSet<QString> omit = {}, QSet<QString> textOnly = {});

    void LoadSkin(const QString& path) override;
    void ApplySkin(QWidget* window) override;
    void ApplySkinByName(QWidget* window, const QString& formName) override;
    ISkinObject* GetSkinForm(QWidget* window) override;

    FakeObject& Object(const QString& name);  // from either form
    QString loadedPath;

private:
    std::vector<std::unique_ptr<ISkinObject>> owned_;
    FakeForm ipod_{QStringLiteral("ipod")};
    FakeForm register_{QStringLiteral("register")};
    QHash<QWidget*, FakeForm*> applied_;
};

}  // namespace tevarro::testing
