// The main window: it creates the ordinary controls, binds the skin, routes
// every skin click by the object's name, and hands each command and event to
// the piece that owns it (job list, preview, conversion, progress). It keeps
// the window's state; the logic lives in those pieces.
#pragma once

#include "app/settings.h"
#include "app/shell.h"
#include "joblist/job_list.h"

#include <QString>
#include <QWidget>
#include <memory>

class QComboBox;
class QLineEdit;
class QTreeWidget;

namespace tevarro {

class Conversion;
class ISkin;
class ISkinObject;
class PreviewSurface;
class Preview;
class Progress;
class Prompter;
class SourceAdder;
class Tfm_dir;
class Tfm_hint;
class VideoEngine;

struct ProgramOptions {
    QString programDir;    // where the skin file and the help folder lie
    QString settingsPath;  // the settings file
};

class Tfm_main : public QWidget {
    Q_OBJECT
public:
    using Operation = void (Tfm_main::*)();

    Tfm_main(ISkin& skin, VideoEngine& engine, Prompter& prompter, ProgramOptions options);
    ~Tfm_main() override;

    // The dialogs are created after the main window and reused.
    void AttachDialogs(Tfm_dir& dir, Tfm_hint& hint);

    // Set when start-up could not bind the skin; the text names the file and
    // what is wrong.
    const QString& StartupError() const { return startupError_; }

    // The operation a skin object's name selects, or nullptr: names compare
    // exactly, letter case included.
    static Operation RouteFor(const QString& name);

    // Commands.
    void DoAddFiles();
    void DoAddFolder();
    void DoRemove();
    void DoClear();
    void DoPlay();
    void DoPause();
    void DoStopPlay();
    void DoMarkBegin();
    void DoMarkEnd();
    void DoStepBack();
    void DoStepForward();
    void DoConvert();
    void DoStopConvert();
    void DoChooseOutputFolder();
    void DoOpenWebsite();
    void DoOpenHelp();

    // Handlers.
    void FormShow();
    void Skin1Click(ISkinObject* Source);
    void ed_outputExit();
    void ed_outputKeyUp(int Key);
    void BindHintSkin();

    // The pieces and controls, for the window's own wiring and for tests.
    ShellState& State() { return state_; }
    JobList& Jobs() { return jobs_; }
    QTreeWidget* LV() const { return LV_; }
    PreviewSurface* VideoEdit1() const { return VideoEdit1_; }
    QComboBox* cb_format() const { return cb_format_; }
    QLineEdit* ed_output() const { return ed_output_; }
    Preview& Previewer() { return *preview_; }
    Progress& ProgressDisplay() { return *progress_; }
    Conversion& Batch() { return *conversion_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindSkin();
    void FormCloseQuery();
    void ConnectEvents();

    ISkin& Skin1_;
    VideoEngine& engine_;
    Prompter& prompter_;
    ProgramOptions options_;

    QTreeWidget* LV_;
    PreviewSurface* VideoEdit1_;
    QComboBox* cb_format_;
    QLineEdit* ed_output_;
    Tfm_dir* fm_dir_ = nullptr;
    Tfm_hint* fm_hint_ = nullptr;

    ShellState state_;
    SkinBindings skin_;
    JobList jobs_;
    Settings settings_;
    std::unique_ptr<SourceAdder> adder_;
    std::unique_ptr<Progress> progress_;
    std::unique_ptr<Preview> preview_;
    std::unique_ptr<Conversion> conversion_;

    bool shown_ = false;
    bool enterPressedInBox_ = false;
    QString startupError_;
};

}  // namespace tevarro
