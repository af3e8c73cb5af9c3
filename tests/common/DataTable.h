#pragma once

#include <QtTest>

#include <tuple>

// A data table's columns in one line: Columns<int, QString>("count", "name").
template <typename... T, typename... Names>
void Columns(Names... names)
{
    static_assert(sizeof...(T) == sizeof...(Names), "one name per column");
    (QTest::addColumn<T>(names), ...);
}

// The current row's values: const auto [count, name] = Row<int, QString>("count", "name").
template <typename... T, typename... Names>
std::tuple<T...> Row(Names... names)
{
    static_assert(sizeof...(T) == sizeof...(Names), "one name per column");
    return std::tuple<T...>(*static_cast<T*>(QTest::qData(names, qMetaTypeId<T>()))...);
}
