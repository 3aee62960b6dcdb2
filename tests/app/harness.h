// The main window with a scripted engine, an in-memory skin and a scripted
// prompter, shown offscreen. Settings go to a file in a temporary folder.
#pragma once

#include "app/dir/dir.h"
#include "app/preview_surface.h"
#include "app/main_window.h"
#include "convert/hint.h"
#include "fake_skin.h"
#include "scripted_prompter.h"
#include "scripted_video_engine.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>
#include <utility>
#include <vector>

namespace tevarro::testing {

// The window with its two dialogs, as the program creates them, on the given
// skin and engine, with a scripted prompter.
template <class Skin, class Engine>
struct WindowRig {
    Skin skin;
    Engine engine;
    ScriptedPrompter prompter;
    std::unique_ptr<Tfm_main> window;
    std::unique_ptr<Tfm_dir> fm_dir;
    std::unique_ptr<Tfm_hint> fm_hint;

    void Open(const ProgramOptions& options, bool show = true)
    {
        window = std::make_unique<Tfm_main>(skin, engine, prompter, options);
        fm_dir = std::make_unique<Tfm_dir>(window.get());
        fm_hint = std::make_unique<Tfm_hint>(window.get());
        window->AttachDialogs(*fm_dir, *fm_hint);
        if (show)
            window->show();
    }
};

struct Harness : WindowRig<FakeSkin, ScriptedVideoEngine> {
    QTemporaryDir temp;

    explicit Harness(bool show = true, const QByteArray& settings = {})
    {
        QFile skinFile(temp.filePath(QStringLiteral("mp3enc.dll")));
        skinFile.open(QIODevice::WriteOnly);
        if (!settings.isEmpty()) {
            QFile ini(SettingsPath());
            ini.open(QIODevice::WriteOnly);
            ini.write(settings);
        }
        Open({temp.path(), SettingsPath()}, show);
    }

    QString SettingsPath() const { return temp.filePath(QStringLiteral("quillmoor.ini")); }
    ShellState& state() { return window->State(); }
    JobList& jobs() { return window->Jobs(); }
    FakeObject& object(const char* name) { return skin.Object(QLatin1String(name)); }

    // Adds one row per (path, seconds) through the open dialog.
    void AddRows(const std::vector<std::pair<QString, double>>& rows)
    {
        prompter.files.clear();
        for (const auto& [path, seconds] : rows) {
            engine.durations.insert(path, seconds);
            prompter.files << path;
        }
        window->DoAddFiles();
    }

    void SetBar(int position) { object("bar").position_ = position; }
    int Bar() { return object("bar").position_; }
    QString Label(const char* name) { return object(name).text_; }
    QString Cell(int row, JobColumn column) { return jobs().Text(row, column); }
    void Select(std::initializer_list<int> rows)
    {
        window->LV()->clearSelection();
        for (int row : rows)
            jobs().SelectRow(row);
    }
};

}  // namespace tevarro::testing
