#include "TestRegistry.h"

#include "model/Language.h"

#include <QtTest>
#include <cstring>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv)
{
#if defined(__SANITIZE_ADDRESS__)
    // The platform plugins keep their screens until the process ends.
    __lsan_disable();
#endif
    TestApplication app(argc, argv);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    // Messages read as the operator sees them: from the shipped tables.
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);

    // "tst_area [TestClass] [QTest options]"
    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-') {
        only = argv[1];
        args.erase(args.begin() + 1);
    }
    // Classes that run as tests of their own, each under its own time
    // limit, are left out of the run of the whole area.
    const QStringList apart = qEnvironmentVariable("ORVANE_TESTS_APART").split(QLatin1Char(','), Qt::SkipEmptyParts);
    int failures = 0;
    bool ran = false;
    for (const TestRegistry::Entry& entry : TestRegistry::Entries()) {
        if (only ? std::strcmp(only, entry.name) != 0 : apart.contains(QLatin1String(entry.name)))
            continue;
        ran = true;
        std::unique_ptr<QObject> test = entry.make();
        failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    if (!ran) {
        qWarning("no test class named %s", only ? only : "(any)");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
