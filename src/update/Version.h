// The program's own version and the order of dotted version strings. No parsing of suffixes
// beyond "a part that is not a number counts as 0".
#pragma once

#include <QString>

namespace Version
{

// The version this program was built as.
QString local();
// -1, 0 or 1 as a is older than, equal to or newer than b. Parts are compared as signed decimal
// numbers of any length; a missing part, or one that is not a number, counts as 0.
int compare(const QString &a, const QString &b);

} // namespace Version
