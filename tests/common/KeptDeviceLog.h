#pragma once

// The devices' debug log kept for a test to count its lines.

#include <QLoggingCategory>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>

namespace KeptDeviceLog {

inline QStringList& Lines()
{
    static QStringList lines;
    return lines;
}

inline void Keep(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QLatin1String(context.category) == QLatin1String("orvane.devices"))
        Lines() << message;
}

// Keeps the log in Lines(), cleared now, until the returned guard goes.
inline auto Keeping()
{
    Lines().clear();
    QLoggingCategory::setFilterRules(QStringLiteral("orvane.devices.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(Keep);
    return qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    });
}

inline int LinesStartingWith(const QString& start)
{
    return int(std::count_if(Lines().begin(), Lines().end(), [&](const QString& l) { return l.startsWith(start); }));
}

} // namespace KeptDeviceLog
