// Adding sources to the job list: files chosen in the open dialog, or every
// media file of one folder. Each candidate is measured by the video engine;
// one of two seconds or more becomes a row, any other leads to the
// unsupported-file prompt. UI thread; pending events are processed before each
// candidate so the window stays responsive and commands can run in between.
#pragma once

#include "app/prompter.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace tevarro {

class JobList;
class Tfm_dir;
class VideoEngine;
struct ShellState;

// The open dialog's filter entries, in order.
QList<FileFilter> OpenDialogFilters();
// The extensions taken from a folder, lower case, in the order tested.
const QStringList& FolderExtensions();

// The part of a name from its last "." to the end, provided that "." comes
// after the last separator; empty otherwise.
QString ExtensionOf(const QString& name);
// The last component of a path.
QString FileNameOf(const QString& path);

// The prompt for a file that cannot be added, and where its Yes leads.
QString UnsupportedFileMessage(const QString& name);
QUrl DownloadAddressFor(const QString& name);

class SourceAdder {
public:
    SourceAdder(ShellState& state, JobList& jobs, VideoEngine& engine, Prompter& prompter,
                Tfm_dir& folderPicker);

    void DoAddFiles();
    void DoAddFolder();

private:
    // False when the row cap ends the run.
    bool AddCandidate(const QString& path, const QString& name);
    void SelectAfterAdding();

    ShellState& state_;
    JobList& jobs_;
    VideoEngine& engine_;
    Prompter& prompter_;
    Tfm_dir& fm_dir_;
};

}  // namespace tevarro
