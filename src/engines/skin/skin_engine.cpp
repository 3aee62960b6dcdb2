#include "engines/skin/skin_engine.h"

#include "engines/skin/skin_objects.h"
#include "engines/skin/skin_pack.h"
#include "engines/skin/skin_surface.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <map>
#include <vector>

namespace tevarro {

namespace {

[[noreturn]] void Fail(const QString& message)
{
    throw SkinError(message.toStdString());
}

// Application fonts are process-wide; a font already registered (same bytes)
// is not registered again when a skin is reloaded.
void RegisterFont(const QByteArray& data, const QString& entry, const QString& fileName)
{
    static QSet<QByteArray> registered;
    if (registered.contains(data))
        return;
    if (QFontDatabase::addApplicationFontFromData(data) < 0)
        Fail(QStringLiteral("Skin file \"%1\": the font \"%2\" cannot be loaded").arg(fileName, entry));
    registered.insert(data);
}

}  // namespace

struct SkinEngine::Impl {
    std::shared_ptr<const LoadedSkin> skin;
    // The form each live window has now.
    std::map<QWidget*, std::shared_ptr<SkinFormInstance>> windows;
    // Forms replaced on their window or whose window is gone: kept so that
    // object pointers the program still holds stay valid until LoadSkin.
    std::vector<std::shared_ptr<SkinFormInstance>> retired;
    std::map<QWidget*, QMetaObject::Connection> watches;

    void Forget(QWidget* window)
    {
        auto it = windows.find(window);
        if (it != windows.end()) {
            retired.push_back(it->second);
            windows.erase(it);
        }
        auto watch = watches.find(window);
        if (watch != watches.end()) {
            QObject::disconnect(watch->second);
            watches.erase(watch);
        }
    }
};

SkinEngine::SkinEngine(QObject* parent) : ISkin(parent), impl_(std::make_unique<Impl>()) {}

SkinEngine::~SkinEngine()
{
    for (auto& [window, watch] : impl_->watches)
        QObject::disconnect(watch);
}

void SkinEngine::LoadSkin(const QString& path)
{
    const QString fileName = QFileInfo(path).absoluteFilePath();
    QFile file(path);
    if (!file.exists())
        Fail(QStringLiteral("Skin file \"%1\" does not exist").arg(fileName));
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("Skin file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();

    const SkinPackEntries entries = ReadSkinPack(bytes, fileName);
    auto manifest = entries.find(QStringLiteral("skin.json"));
    if (manifest == entries.end())
        Fail(QStringLiteral("Skin file \"%1\": the manifest skin.json is missing").arg(fileName));
    QStringList entryNames;
    for (const auto& [name, data] : entries)
        entryNames << name;

    auto skin = std::make_shared<LoadedSkin>();
    skin->fileName = fileName;
    skin->document = ParseSkinManifest(manifest->second, fileName, entryNames);
    for (const QString& font : skin->document.fontFiles)
        RegisterFont(entries.at(font), font, fileName);
    skin->artwork = std::make_unique<SkinArtwork>(skin->document, entries, fileName);
    QString styleFolder;
    if (!skin->document.styleFiles.isEmpty()) {
        skin->styleFolder = std::make_unique<QTemporaryDir>();
        if (!skin->styleFolder->isValid())
            Fail(QStringLiteral("Skin file \"%1\": no temporary folder for its style files").arg(fileName));
        styleFolder = skin->styleFolder->path();
        for (const QString& name : skin->document.styleFiles) {
            QFile out(styleFolder + u'/' + name.section(u'/', 1));
            if (!out.open(QIODevice::WriteOnly) || out.write(entries.at(name)) < 0) {
                Fail(QStringLiteral("Skin file \"%1\": cannot write the style file \"%2\": %3")
                         .arg(fileName, name, out.errorString()));
            }
        }
    }
    for (const SkinFormDesc& form : skin->document.forms) {
        if (!form.style.isEmpty()) {
            QString style = QString::fromUtf8(entries.at(form.style));
            style.replace(QLatin1String("{skin}"), styleFolder);
            skin->styles[form.name] = style;
        }
    }

    // Windows skinned from the old file keep their surfaces, which share the
    // old skin's data, until they are given a form of the new one.
    impl_->skin = std::move(skin);
    for (auto& [window, watch] : impl_->watches)
        QObject::disconnect(watch);
    impl_->watches.clear();
    impl_->windows.clear();
    impl_->retired.clear();
}

void SkinEngine::ApplySkin(QWidget* window)
{
    if (!impl_->skin)
        Fail(QStringLiteral("No skin file is loaded"));
    ApplySkinByName(window, impl_->skin->document.forms.front().name);
}

void SkinEngine::ApplySkinByName(QWidget* window, const QString& formName)
{
    if (!impl_->skin)
        Fail(QStringLiteral("No skin file is loaded"));
    if (!window)
        Fail(QStringLiteral("Skin form \"%1\": no window to apply it to").arg(formName));
    const LoadedSkin& skin = *impl_->skin;
    const SkinFormDesc* desc = skin.document.FindForm(formName);
    if (!desc) {
        Fail(QStringLiteral("Skin file \"%1\" has no form \"%2\"").arg(skin.fileName, formName));
    }

    auto current = impl_->windows.find(window);
    if (current != impl_->windows.end() && &current->second->Desc() == desc && current->second->Surface())
        return;  // the window has this form already; keep its objects

    // The window: frameless, fixed to the form's client size, styled.
    const Qt::WindowFlags flags = window->windowFlags();
    const Qt::WindowFlags wanted = (flags | Qt::FramelessWindowHint) & ~Qt::WindowContextHelpButtonHint;
    if (window->isWindow() && flags != wanted) {
        const bool wasVisible = window->isVisible();
        window->setWindowFlags(wanted);  // hides a shown window
        if (wasVisible)
            window->show();
    }
    window->setFixedSize(desc->size);
    window->setStyleSheet(skin.styles.value(desc->name));

    // A surface from an earlier form or skin goes, later: this may run inside
    // one of that surface's own mouse handlers.
    for (SkinSurface* old : window->findChildren<SkinSurface*>(Qt::FindDirectChildrenOnly))
        old->Retire();
    impl_->Forget(window);

    auto form = std::make_shared<SkinFormInstance>(impl_->skin, *desc);
    auto* surface = new SkinSurface(window, form, this);
    surface->lower();
    surface->show();
    impl_->windows[window] = form;
    impl_->watches[window] = connect(window, &QObject::destroyed, this, [this, window] { impl_->Forget(window); });
}

ISkinObject* SkinEngine::GetSkinForm(QWidget* window)
{
    auto it = impl_->windows.find(window);
    if (it == impl_->windows.end())
        Fail(QStringLiteral("The window has no skin form; apply one first"));
    return it->second.get();
}

QStringList SkinEngine::FormNames() const
{
    QStringList names;
    if (impl_->skin) {
        for (const SkinFormDesc& form : impl_->skin->document.forms)
            names << form.name;
    }
    return names;
}

}  // namespace tevarro
