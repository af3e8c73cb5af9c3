#include "app/Orvane.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);

    const QStringList args = QApplication::arguments();
    Orvane window(args.size() > 1 ? args.at(1) : QString());
    window.showMaximized();
    return app.exec();
}
