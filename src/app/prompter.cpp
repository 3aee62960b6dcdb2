#include "app/prompter.h"

#include "app/dir/dir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace tevarro {

namespace {

// Boxes sit over the window that asked, or the active one.
QWidget* Owner(QWidget* parent)
{
    return parent ? parent : QApplication::activeWindow();
}

bool AskYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, Owner(parent));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

bool QtPrompter::AskInformationYesNo(const QString& text)
{
    return AskYesNo(parent_, QMessageBox::Information, QStringLiteral("Information"), text);
}

bool QtPrompter::AskConfirmYesNo(const QString& text)
{
    return AskYesNo(parent_, QMessageBox::Question, QStringLiteral("Confirm"), text);
}

void QtPrompter::Inform(const QString& text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
                    Owner(parent_));
    box.exec();
}

void QtPrompter::ReportFatal(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tevarro"), text, QMessageBox::Ok,
                    Owner(parent_));
    box.exec();
}

QStringList CaseInsensitivePatterns(const QString& patterns)
{
    QStringList result;
    for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        // "*.*" means every file on Windows, also one without a dot.
        if (pattern == QStringLiteral("*.*")) {
            result << QStringLiteral("*");
            continue;
        }
        QString folded;
        for (const QChar c : pattern) {
            if (c.isLetter() && c.toLower() != c.toUpper())
                folded += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
            else
                folded += c;
        }
        result << folded;
    }
    return result;
}

QStringList QtPrompter::ChooseFiles(const QList<FileFilter>& filters)
{
    QFileDialog dialog(Owner(parent_));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, true);
    // The descriptions carry their own pattern text, so Qt's is hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QStringList nameFilters;
    for (const FileFilter& filter : filters)
        nameFilters << filter.description + QStringLiteral(" (")
                           + CaseInsensitivePatterns(filter.patterns).join(QLatin1Char(' '))
                           + QLatin1Char(')');
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters.first());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtPrompter::RunFolderPicker(Tfm_dir& dialog)
{
    dialog.exec();
    return dialog.ChosenFolder();
}

void QtPrompter::OpenUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

}  // namespace tevarro
