#pragma once

#include <QtTest>
#include <type_traits>

// The current row's value of a data column as an expression, where QFETCH
// would need a statement of its own.
#define FETCHED(Type, name)                                                                                   \
    (*static_cast<Type*>(QTest::qData(#name, ::qMetaTypeId<typename std::remove_cv<Type>::type>())))
