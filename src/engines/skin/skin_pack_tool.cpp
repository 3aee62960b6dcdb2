// tevarro-skinpack: packs a skin's readable sources into one skin file.
//
//   tevarro-skinpack OUTPUT ENTRY=FILE...
//
// Each ENTRY=FILE pair stores FILE under the entry name ENTRY. The entry
// "skin.json" is required and must be a JSON object declaring
// "format": "tevarro-skin"; the full check of the skin (references, artwork)
// is the engine's, at load time and in the tests.
#include "engines/skin/skin_pack.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdio>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: tevarro-skinpack OUTPUT ENTRY=FILE...\n");
    return 2;
}

int Error(const QString& message)
{
    std::fprintf(stderr, "tevarro-skinpack: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return Usage();

    tevarro::SkinPackEntries entries;
    for (const QString& arg : args.mid(1)) {
        const qsizetype eq = arg.indexOf(u'=');
        if (eq <= 0)
            return Usage();
        const QString name = arg.left(eq);
        QFile file(arg.mid(eq + 1));
        if (!file.open(QIODevice::ReadOnly))
            return Error(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        if (!entries.emplace(name, file.readAll()).second)
            return Error(QStringLiteral("entry %1 given twice").arg(name));
    }

    auto manifest = entries.find(QStringLiteral("skin.json"));
    if (manifest == entries.end())
        return Error(QStringLiteral("no skin.json entry"));
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(manifest->second, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Error(QStringLiteral("skin.json, offset %1: %2").arg(parseError.offset).arg(parseError.errorString()));
    if (doc.object().value("format").toString() != QLatin1String("tevarro-skin"))
        return Error(QStringLiteral("skin.json does not declare \"format\": \"tevarro-skin\""));

    QSaveFile out(args.front());
    if (!out.open(QIODevice::WriteOnly) || out.write(tevarro::WriteSkinPack(entries)) < 0 || !out.commit())
        return Error(QStringLiteral("cannot write %1: %2").arg(args.front(), out.errorString()));
    return 0;
}
