#include "app/ini_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <limits>
#include <optional>

namespace tevarro {

namespace {

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QString> SectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

std::optional<QString> KeyName(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0 || line.trimmed().startsWith(QLatin1Char(';')))
        return std::nullopt;
    return line.left(equals).trimmed();
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString IniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const
{
    bool inSection = false;
    for (const QString& line : ReadLines(path_)) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto name = KeyName(line);
        if (name && SameName(*name, key))
            return line.mid(line.indexOf(QLatin1Char('=')) + 1);  // as stored
    }
    return fallback;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const
{
    return ParseInteger(ReadString(section, key, QString()), fallback);
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    QStringList lines = ReadLines(path_);
    const QString entry = key + QLatin1Char('=') + value;

    qsizetype sectionAt = -1;
    qsizetype insertAt = -1;  // after the section's last non-blank line
    bool written = false;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (sectionAt >= 0)
                break;  // the section ended without the key
            if (SameName(*name, section)) {
                sectionAt = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionAt < 0)
            continue;
        const auto name = KeyName(lines[i]);
        if (name && SameName(*name, key)) {
            lines[i] = entry;
            written = true;
        } else if (!lines[i].trimmed().isEmpty()) {
            insertAt = i + 1;
        }
    }
    if (!written) {
        if (sectionAt >= 0) {
            lines.insert(insertAt, entry);
        } else {
            lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
        }
    }

    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return file.commit();
}

bool IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

int ParseInteger(const QString& text, int fallback)
{
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
        negative = digits.startsWith(QLatin1Char('-'));
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith(QLatin1Char('$'))) {
        base = 16;
        digits.remove(0, 1);
    } else if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    }
    // Qt would accept a sign or a prefix of its own here; only digits may follow.
    for (const QChar c : digits) {
        const bool digit = base == 10 ? c.isDigit() && c.unicode() < 128 : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!digit)
            return fallback;
    }
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok, base);
    if (!ok)
        return fallback;
    const qlonglong signedValue = negative ? -value : value;
    if (signedValue < std::numeric_limits<int>::min() || signedValue > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(signedValue);
}

}  // namespace tevarro
