// Where Tevarro asks the user something or hands something to the desktop.
// The window never opens a message box or dialog itself; tests answer through
// a scripted Prompter.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace tevarro {

class Tfm_dir;

struct FileFilter {
    QString description;  // shown as written
    QString patterns;     // "*.avi;*.mpg;", matched regardless of letter case
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // Information box (caption "Information") with Yes and No; Yes is the
    // default, Escape answers No. True for Yes.
    virtual bool AskInformationYesNo(const QString& text) = 0;
    // Confirmation box (caption "Confirm") with Yes and No, as above.
    virtual bool AskConfirmYesNo(const QString& text) = 0;
    // Information box (caption "Information") with a single OK.
    virtual void Inform(const QString& text) = 0;
    // A message about a failure that ends start-up (caption "Tevarro").
    virtual void ReportFatal(const QString& text) = 0;

    // The multi-file open dialog; an empty list when cancelled.
    virtual QStringList ChooseFiles(const QList<FileFilter>& filters) = 0;
    // Shows the folder picker modally and returns its ChosenFolder.
    virtual QString RunFolderPicker(Tfm_dir& dialog) = 0;

    // Hands an address or a local file to the desktop; no shell involved.
    virtual void OpenUrl(const QUrl& url) = 0;
};

// The real thing: Qt's message boxes and dialogs, QDesktopServices.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    bool AskInformationYesNo(const QString& text) override;
    bool AskConfirmYesNo(const QString& text) override;
    void Inform(const QString& text) override;
    void ReportFatal(const QString& text) override;
    QStringList ChooseFiles(const QList<FileFilter>& filters) override;
    QString RunFolderPicker(Tfm_dir& dialog) override;
    void OpenUrl(const QUrl& url) override;

private:
    QWidget* parent_;
};

// Turns "*.avi;*.mpg;" into Qt name patterns that match any letter case
// ("*.[aA][vV][iI]"), as the Windows file dialog does.
QStringList CaseInsensitivePatterns(const QString& patterns);

}  // namespace tevarro
