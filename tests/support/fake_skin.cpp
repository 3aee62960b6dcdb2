#include "fake_skin.h"

#include <QFileInfo>

namespace tevarro::testing {

FakeSkin::FakeSkin(QSet<QString> omit, QSet<QString> textOnly)
{
    const auto add = [&](FakeForm& form, const QString& name) {
        if (omit.contains(name))
            return;
        if (textOnly.contains(name))
            owned_.push_back(std::make_unique<TextOnlyObject>(name));
        else
            owned_.push_back(std::make_unique<FakeObject>(name));
        form.objects.insert(name, owned_.back().get());
    };
    for (const char* name : {"time", "begintime", "endtime", "bar", "pbpos", "pb", "play", "convert"})
        add(ipod_, QLatin1String(name));
    for (const char* name : {"Sregister", "Shint"})
        add(register_, QLatin1String(name));
    if (auto* pb = dynamic_cast<FakeObject*>(ipod_.objects.value(QStringLiteral("pb"))))
        pb->rect_ = {24, 400, 380, 410};
}

void FakeSkin::LoadSkin(const QString& path)
{
    if (!QFileInfo::exists(path))
        throw SkinError(QStringLiteral("The skin file %1 is missing.").arg(path).toStdString());
    loadedPath = path;
}

void FakeSkin::ApplySkin(QWidget* window)
{
    applied_.insert(window, &ipod_);
}

void FakeSkin::ApplySkinByName(QWidget* window, const QString& formName)
{
    if (formName == QStringLiteral("ipod"))
        applied_.insert(window, &ipod_);
    else if (formName == QStringLiteral("register"))
        applied_.insert(window, &register_);
    else
        throw SkinError(QStringLiteral("no form %1").arg(formName).toStdString());
}

ISkinObject* FakeSkin::GetSkinForm(QWidget* window)
{
    return applied_.value(window);
}

FakeObject& FakeSkin::Object(const QString& name)
{
    ISkinObject* object = ipod_.objects.value(name, register_.objects.value(name));
    return *dynamic_cast<FakeObject*>(object);
}

}  // namespace tevarro::testing
