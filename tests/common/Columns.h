// A test table's columns in one line: columns<int, QString>("page", "text"). Rows stay plain
// QTest::newRow calls, whose values must match these types exactly.
#pragma once

#include <QTest>

template <typename... T, typename... Names> void columns(Names... names)
{
    static_assert(sizeof...(T) == sizeof...(Names), "one name per column");
    (QTest::addColumn<T>(names), ...);
}
