// Answers the window's questions from a script and records what was asked.
#pragma once

#include "app/prompter.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace tevarro::testing {

class ScriptedPrompter : public Prompter {
public:
    bool answerYes = false;             // every yes/no question
    QStringList files;                  // what the open dialog returns
    QString folder;                     // what the folder picker returns
    std::function<void()> duringDialog; // runs inside the open dialog or picker

    QStringList questions;  // yes/no texts, in order
    QStringList messages;   // Inform texts
    QStringList fatal;      // ReportFatal texts
    QList<QUrl> opened;
    int fileDialogs = 0;
    int folderPickers = 0;
    QString pickerCaption;  // the picker's caption when it was shown

    bool AskInformationYesNo(const QString& text) override { questions << text; return answerYes; }
    bool AskConfirmYesNo(const QString& text) override { questions << text; return answerYes; }
    void Inform(const QString& text) override { messages << text; }
    void ReportFatal(const QString& text) override { fatal << text; }
    QStringList ChooseFiles(const QList<FileFilter>&) override
    {
        ++fileDialogs;
        if (duringDialog)
            duringDialog();
        return files;
    }
    QString RunFolderPicker(Tfm_dir& dialog) override;
    void OpenUrl(const QUrl& url) override { opened << url; }
};

}  // namespace tevarro::testing
