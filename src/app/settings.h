// The settings file: the output folder and the preset survive from one run to
// the next in "quillmoor.ini", section "iPod". Read once at start-up, written
// once at close.
#pragma once

#include "app/ini_file.h"

#include <QString>
#include <memory>

class QComboBox;
class QLineEdit;

namespace tevarro {

class Prompter;

inline constexpr const char* kSettingsFileName = "quillmoor.ini";

// "quillmoor.ini" in the user's configuration folder (~/.config on Linux).
QString DefaultSettingsPath();
// "My PSP" in the user's home folder.
QString DefaultOutputFolder();

class Settings {
public:
    explicit Settings(QString path) : path_(std::move(path)) {}

    // Fills the output folder box and selects the stored preset; a stored
    // preset outside the list selects nothing.
    void LoadSettings(QLineEdit& ed_output, QComboBox& cb_format);
    // Writes the box's text and the selected index (-1 when none). A failed
    // write is reported and the later writes are not made.
    void SaveSettings(const QLineEdit& ed_output, const QComboBox& cb_format, Prompter& prompter);

private:
    QString path_;
    std::unique_ptr<IniFile> SettingsFile_;
};

}  // namespace tevarro
