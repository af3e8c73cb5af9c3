#include "Common/SingleApp/SingleApplication.h"
#include "app/Orvane.h"
#include "app/StartPath.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

int g_signalPair[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(g_signalPair[1], &byte, 1);
    (void)written;
}

// A program told to stop leaves through its event loop, so that the
// single-instance guard takes its segment and socket with it instead of
// leaving them to the next start.
void QuitOnTerminateSignals(QApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPair) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPair[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    // A save past the file-size limit then fails with its reason shown and
    // the old file kept, instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
#if defined(__SANITIZE_ADDRESS__)
    // The platform plugins keep their screens until the process ends.
    __lsan_disable();
#endif
    QApplication app(argc, argv);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    QuitOnTerminateSignals(app);

    const QStringList args = QApplication::arguments();
    const QString projectPath = args.size() > 1 ? AbsoluteStartPath(args.at(1), QDir::currentPath()) : QString();

    SingleApplication guard(QStringLiteral("Orvane"));
    if (guard.isRunning()) {
        guard.sendMessage(projectPath, 500);
        return 0;
    }

    Orvane window(projectPath);
    QObject::connect(&guard, &SingleApplication::messageReceived, &window, &Orvane::handleMessage);
    window.showMaximized();
    return app.exec();
}
