#include "app/settings.h"

#include "app/prompter.h"
#include "engines/presets.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>

namespace tevarro {

namespace {

const QString kSection = QStringLiteral("iPod");
const QString kOutputKey = QStringLiteral("output");
const QString kFormatKey = QStringLiteral("format");
constexpr int kLongestOutputText = 2047;

}  // namespace

QString DefaultSettingsPath()
{
#ifdef Q_OS_WIN
    const QString folder = QString::fromLocal8Bit(qgetenv("WINDIR"));
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    return QDir(folder).filePath(QLatin1String(kSettingsFileName));
}

QString DefaultOutputFolder()
{
    return QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("My PSP")));
}

void Settings::LoadSettings(QLineEdit& ed_output, QComboBox& cb_format)
{
    SettingsFile_ = std::make_unique<IniFile>(path_);
    ed_output.setText(SettingsFile_->ReadString(kSection, kOutputKey, DefaultOutputFolder()).left(kLongestOutputText));
    const int format = SettingsFile_->ReadInteger(kSection, kFormatKey, kDefaultPreset);
    cb_format.setCurrentIndex(format >= 0 && format < cb_format.count() ? format : -1);
}

void Settings::SaveSettings(const QLineEdit& ed_output, const QComboBox& cb_format, Prompter& prompter)
{
    if (!SettingsFile_)
        SettingsFile_ = std::make_unique<IniFile>(path_);
    // The folder that holds the file may not exist yet on a fresh account.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!SettingsFile_->WriteString(kSection, kOutputKey, ed_output.text())
        || !SettingsFile_->WriteInteger(kSection, kFormatKey, cb_format.currentIndex())) {
        prompter.Inform(QStringLiteral("Unable to write to %1").arg(QLatin1String(kSettingsFileName)));
        return;
    }
    SettingsFile_.reset();
}

}  // namespace tevarro
