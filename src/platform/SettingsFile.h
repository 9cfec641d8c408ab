// Podivex.ini: a small INI-style file shared by several parts of the program, each owning one
// section. A bounded read, an edit of one line, and a locked, all-or-nothing write that keeps every
// other line. What the keys mean is the owner's business.
#pragma once

#include <QMap>
#include <QString>

namespace SettingsFile
{

// The value of key in section ("[Name]"), read afresh; fallback when the file is missing,
// unreadable or lacks the key.
QString value(const QString &section, const QString &key, const QString &fallback = {});
// Goes through a lock file and replaces the file only when it is complete. On failure *error
// (when given) says why.
bool setValue(const QString &section, const QString &key, const QString &value,
              QString *error = nullptr);

// The entries of a section of a settings text; a later line with the same key wins.
QMap<QString, QString> parseSection(const QString &text, const QString &section);
// The text with key set to value inside the section, every other line left untouched.
QString withValue(const QString &text, const QString &section, const QString &key,
                  const QString &value);

} // namespace SettingsFile
