#include "engines/skin/skin_model.h"

#include "engines/skin.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace tevarro {

const SkinFormDesc* SkinDocument::FindForm(const QString& name) const
{
    for (const SkinFormDesc& form : forms) {
        if (form.name == name)
            return &form;
    }
    return nullptr;
}

namespace {

class ManifestParser {
public:
    ManifestParser(const QString& fileName, const QStringList& entryNames)
        : fileName_(fileName), entryNames_(entryNames)
    {
    }

    SkinDocument Parse(const QByteArray& json)
    {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError) {
            Fail(QStringLiteral("cannot parse the manifest skin.json at offset %1: %2")
                     .arg(error.offset)
                     .arg(error.errorString()));
        }
        if (!doc.isObject())
            Fail(QStringLiteral("the manifest skin.json is not a JSON object"));
        const QJsonObject root = doc.object();
        if (root.value("format").toString() != QLatin1String("tevarro-skin"))
            Fail(QStringLiteral("the manifest does not declare \"format\": \"tevarro-skin\""));

        SkinDocument skin;
        for (const QJsonValue& file : root.value("fontFiles").toArray())
            skin.fontFiles << Entry(file.toString(), QStringLiteral("font file"));
        for (const QJsonValue& file : root.value("styleFiles").toArray()) {
            const QString name = Entry(file.toString(), QStringLiteral("style file"));
            if (!name.startsWith(QLatin1String("style/")) || name.contains(QLatin1String(".."))
                || name.count(u'/') != 1) {
                Fail(QStringLiteral("style file \"%1\" must be named style/<file>").arg(name));
            }
            skin.styleFiles << name;
        }
        skin.parts = Entry(root.value("parts").toString(), QStringLiteral("parts sheet"));

        const QJsonObject fonts = root.value("fonts").toObject();
        for (auto it = fonts.begin(); it != fonts.end(); ++it)
            skin.fonts[it.key()] = ParseFont(it.key(), it.value().toObject());
        const QJsonObject looks = root.value("looks").toObject();
        for (auto it = looks.begin(); it != looks.end(); ++it)
            skin.looks[it.key()] = ParseLook(skin, it.key(), it.value().toObject());

        const QJsonArray forms = root.value("forms").toArray();
        if (forms.isEmpty())
            Fail(QStringLiteral("the skin has no form"));
        QSet<QString> formNames;
        for (const QJsonValue& value : forms) {
            SkinFormDesc form = ParseForm(skin, value.toObject());
            if (formNames.contains(form.name))
                Fail(QStringLiteral("form \"%1\" appears twice").arg(form.name));
            formNames.insert(form.name);
            skin.forms.push_back(std::move(form));
        }
        return skin;
    }

private:
    [[noreturn]] void Fail(const QString& what) const
    {
        throw SkinError(QStringLiteral("Skin file \"%1\": %2").arg(fileName_, what).toStdString());
    }

    QString Entry(const QString& name, const QString& role) const
    {
        if (name.isEmpty())
            Fail(QStringLiteral("the manifest names no %1").arg(role));
        if (!entryNames_.contains(name))
            Fail(QStringLiteral("%1 \"%2\" is missing from the file").arg(role, name));
        return name;
    }

    QColor Color(const QJsonValue& value, const QString& where, const QColor& fallback = {}) const
    {
        if (value.isUndefined())
            return fallback;
        const QColor color = QColor::fromString(value.toString());
        if (!color.isValid())
            Fail(QStringLiteral("%1: bad colour \"%2\"").arg(where, value.toString()));
        return color;
    }

    QMargins Margins(const QJsonValue& value, const QString& where) const
    {
        if (value.isUndefined())
            return {};
        const QJsonArray a = value.toArray();
        if (a.size() != 4)
            Fail(QStringLiteral("%1: margins need four numbers [left, top, right, bottom]").arg(where));
        return QMargins(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
    }

    SkinFontDesc ParseFont(const QString& name, const QJsonObject& o) const
    {
        SkinFontDesc font;
        font.family = o.value("family").toString();
        font.pixelSize = o.value("px").toInt(0);
        font.bold = o.value("bold").toBool(false);
        if (font.family.isEmpty() || font.pixelSize <= 0)
            Fail(QStringLiteral("font \"%1\" needs a family and a pixel size").arg(name));
        return font;
    }

    void CheckFont(const SkinDocument& skin, const QString& font, const QString& where) const
    {
        if (!font.isEmpty() && skin.fonts.find(font) == skin.fonts.end())
            Fail(QStringLiteral("%1: unknown font \"%2\"").arg(where, font));
    }

    SkinLookDesc ParseLook(const SkinDocument& skin, const QString& name, const QJsonObject& o) const
    {
        const QString where = QStringLiteral("look \"%1\"").arg(name);
        SkinLookDesc look;
        look.normal = o.value("normal").toString();
        look.hover = o.value("hover").toString(look.normal);
        look.pressed = o.value("pressed").toString(look.hover);
        look.disabled = o.value("disabled").toString(look.normal);
        if (look.normal.isEmpty())
            Fail(QStringLiteral("%1 has no \"normal\" artwork").arg(where));
        look.margins = Margins(o.value("margins"), where);
        look.font = o.value("font").toString();
        CheckFont(skin, look.font, where);
        look.color = Color(o.value("color"), where, Qt::black);
        look.hoverColor = Color(o.value("hoverColor"), where, look.color);
        look.pressedColor = Color(o.value("pressedColor"), where, look.hoverColor);
        look.disabledColor = Color(o.value("disabledColor"), where, Qt::gray);
        look.pressedShift = o.value("pressedShift").toInt(1);
        return look;
    }

    static Qt::Alignment Align(const QString& text)
    {
        if (text == QLatin1String("center"))
            return Qt::AlignHCenter | Qt::AlignVCenter;
        if (text == QLatin1String("right"))
            return Qt::AlignRight | Qt::AlignVCenter;
        return Qt::AlignLeft | Qt::AlignVCenter;
    }

    SkinFormDesc ParseForm(const SkinDocument& skin, const QJsonObject& o) const
    {
        SkinFormDesc form;
        form.name = o.value("name").toString();
        if (form.name.isEmpty())
            Fail(QStringLiteral("a form has no name"));
        const QString where = QStringLiteral("form \"%1\"").arg(form.name);
        const QJsonArray size = o.value("size").toArray();
        form.size = QSize(size.at(0).toInt(), size.at(1).toInt());
        if (size.size() != 2 || form.size.isEmpty())
            Fail(QStringLiteral("%1 needs \"size\": [width, height]").arg(where));
        form.background = Entry(o.value("background").toString(), where + QStringLiteral(" background"));
        if (o.contains("style"))
            form.style = Entry(o.value("style").toString(), where + QStringLiteral(" style sheet"));

        QSet<QString> names;
        for (const QJsonValue& value : o.value("objects").toArray()) {
            SkinObjectDesc object = ParseObject(skin, form, value.toObject());
            if (names.contains(object.name))
                Fail(QStringLiteral("%1: object \"%2\" appears twice").arg(where, object.name));
            names.insert(object.name);
            form.objects.push_back(std::move(object));
        }
        return form;
    }

    SkinObjectDesc ParseObject(const SkinDocument& skin, const SkinFormDesc& form, const QJsonObject& o) const
    {
        SkinObjectDesc object;
        object.name = o.value("name").toString();
        QString where = QStringLiteral("form \"%1\"").arg(form.name);
        if (object.name.isEmpty())
            Fail(QStringLiteral("%1: an object has no name").arg(where));
        where += QStringLiteral(", object \"%1\"").arg(object.name);

        const QJsonArray rect = o.value("rect").toArray();
        if (rect.size() != 4)
            Fail(QStringLiteral("%1 needs \"rect\": [x, y, width, height]").arg(where));
        object.rect = QRect(rect[0].toInt(), rect[1].toInt(), rect[2].toInt(), rect[3].toInt());
        if (object.rect.width() < 0 || object.rect.height() < 0)
            Fail(QStringLiteral("%1 has a negative size").arg(where));
        object.visible = o.value("visible").toBool(true);
        object.enabled = o.value("enabled").toBool(true);
        object.tip = o.value("tip").toString();
        object.font = o.value("font").toString();
        CheckFont(skin, object.font, where);
        object.color = Color(o.value("color"), where);
        object.shadow = Color(o.value("shadow"), where);
        object.align = Align(o.value("align").toString());
        object.text = o.value("text").toString();

        const QString kind = o.value("kind").toString();
        if (kind == QLatin1String("button")) {
            object.kind = SkinKind::Button;
            const QString action = o.value("action").toString();
            if (action == QLatin1String("minimize"))
                object.action = SkinAction::Minimize;
            else if (action == QLatin1String("close"))
                object.action = SkinAction::Close;
            else if (!action.isEmpty())
                Fail(QStringLiteral("%1: unknown action \"%2\"").arg(where, action));
            object.look = o.value("look").toString();
            if (skin.looks.find(object.look) == skin.looks.end())
                Fail(QStringLiteral("%1: unknown look \"%2\"").arg(where, object.look));
            object.icon = o.value("icon").toString();
            object.label = o.value("label").toString();
            object.column = o.value("layout").toString() == QLatin1String("column");
        } else if (kind == QLatin1String("text")) {
            object.kind = SkinKind::Text;
            if (object.font.isEmpty())
                Fail(QStringLiteral("%1: a text needs a font").arg(where));
        } else if (kind == QLatin1String("image")) {
            object.kind = SkinKind::Image;
            object.image = o.value("image").toString();
            object.imageMargins = Margins(o.value("margins"), where);
            if (object.image.isEmpty())
                Fail(QStringLiteral("%1: an image needs \"image\"").arg(where));
        } else if (kind == QLatin1String("scrollbar")) {
            object.kind = SkinKind::ScrollBar;
            const QJsonArray range = o.value("range").toArray();
            object.minimum = range.at(0).toInt(0);
            object.maximum = range.at(1).toInt(10000);
            if (object.maximum <= object.minimum)
                Fail(QStringLiteral("%1: empty range").arg(where));
            object.position = qBound(object.minimum, o.value("position").toInt(object.minimum), object.maximum);
            object.track = o.value("track").toString();
            object.fill = o.value("fill").toString();
            object.thumb = o.value("thumb").toString();
            object.trackMargins = Margins(o.value("trackMargins"), where);
            const QJsonArray thumbSize = o.value("thumbSize").toArray();
            object.thumbSize = QSize(thumbSize.at(0).toInt(), thumbSize.at(1).toInt());
            if (object.thumb.isEmpty() || object.thumbSize.isEmpty())
                Fail(QStringLiteral("%1: a scroll bar needs \"thumb\" and \"thumbSize\"").arg(where));
            if (object.thumbSize.width() >= object.rect.width())
                Fail(QStringLiteral("%1: the thumb is as wide as the track").arg(where));
        } else if (kind == QLatin1String("drag")) {
            object.kind = SkinKind::Drag;
        } else {
            Fail(QStringLiteral("%1: unknown kind \"%2\"").arg(where, kind));
        }
        return object;
    }

    QString fileName_;
    QStringList entryNames_;
};

}  // namespace

SkinDocument ParseSkinManifest(const QByteArray& json, const QString& fileName,
                               const QStringList& entryNames)
{
    return ManifestParser(fileName, entryNames).Parse(json);
}

}  // namespace tevarro
