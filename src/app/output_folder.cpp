#include "app/output_folder.h"

#include "app/prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryFile>

namespace tevarro {

bool EnsureFolder(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    if (QFileInfo(folder).isDir())
        return true;
    QDir().mkdir(folder);
    return QFileInfo(folder).isDir();
}

bool CanWriteInto(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tevarro-XXXXXX")));
    return probe.open();
}

void CheckOutputFolder(QLineEdit& ed_output, QString& OutputFolder, Prompter& prompter)
{
    const QString typed = ed_output.text();
    if (EnsureFolder(typed)) {
        OutputFolder = typed;
        return;
    }
    prompter.Inform(QLatin1String(kCantCreateFolder));
    ed_output.setText(OutputFolder);
}

}  // namespace tevarro
