#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// Every test class of an area registers itself here; the area's one test
// program runs them all (or the one named as the first argument).
namespace TestRegistry {

using Factory = std::function<std::unique_ptr<QObject>()>;

struct Entry {
    const char* name;
    Factory make;
};

inline std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

inline bool Add(const char* name, Factory make)
{
    Entries().push_back({name, std::move(make)});
    return true;
}

} // namespace TestRegistry

#define ORVANE_TEST(Class)                                                                         \
    static const bool Class##Registered =                                                          \
        TestRegistry::Add(#Class, [] { return std::unique_ptr<QObject>(new Class); });
