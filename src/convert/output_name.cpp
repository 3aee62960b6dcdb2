#include "convert/output_name.h"

#include <QFileInfo>

namespace tevarro {

namespace {

bool IsFree(const QString& output)
{
    return !QFileInfo::exists(output) && !QFileInfo::exists(ThumbnailName(output));
}

}  // namespace

std::optional<QString> ChooseOutputName(const QString& folder, const QString& caption)
{
    const QString plain = folder + caption + QStringLiteral(".mp4");
    if (IsFree(plain))
        return plain;
    for (int n = 1; n <= 100; ++n) {
        const QString numbered = folder + caption + QLatin1Char('_') + QString::number(n)
                                 + QStringLiteral(".mp4");
        if (IsFree(numbered))
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
