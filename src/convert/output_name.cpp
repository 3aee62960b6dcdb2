#include "convert/output_name.h"

#include <QFileInfo>

namespace tevarro {

std::optional<QString> ChooseOutputName(const QString& folder, const QString& caption)
{
    const QString plain = folder + caption + QStringLiteral(".mp4");
    if (!QFileInfo::exists(plain))
        return plain;
    for (int n = 1; n <= 100; ++n) {
        const QString numbered = folder + caption + QLatin1Char('_') + QString::number(n)
                                 + QStringLiteral(".mp4");
        if (!QFileInfo::exists(numbered))
            return numbered;
    }
    return std::nullopt;
}

QString ThumbnailName(const QString& outputName)
{
    const qsizetype dot = outputName.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? outputName : outputName.left(dot)) + QStringLiteral(".THM");
}

}  // namespace tevarro
