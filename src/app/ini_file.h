// A plain INI file that a person can read and edit: "[section]" lines and
// "key=value" lines, values stored exactly as given (no quoting, no escaping).
// Every read and write goes straight to the file; nothing is cached. Section
// and key names compare without regard to letter case. Writing keeps every
// other line of the file as it was and replaces the file atomically.
#pragma once

#include <QString>

namespace tevarro {

class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    int ReadInteger(const QString& section, const QString& key, int fallback) const;

    // False when the file could not be written.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);

private:
    QString path_;
};

// A whole number in decimal, or in hexadecimal after "0x" or "$", with an
// optional sign; anything else gives `fallback`.
int ParseInteger(const QString& text, int fallback);

}  // namespace tevarro
