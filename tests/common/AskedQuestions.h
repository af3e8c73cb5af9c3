#pragma once

#include "model/Language.h"
#include "Captions.h"

#include <QRegularExpression>
#include <QStringList>

// The questions and file dialogs shown (CShownDialogs::shown), in order and
// short: "save?" for the project's save question, "keep <name>?" for an
// edit's question about its changes, "file" for a file dialog, the text of
// any other box.
inline QString Asked(const QStringList& shown)
{
    const QStringList around = GetLangText(Txt::EdKeepChanges).split(QLatin1String("%1"));
    const QRegularExpression keepText(QLatin1Char('^') + QRegularExpression::escape(around.value(0)) +
                                      QLatin1String("(.*)") + QRegularExpression::escape(around.value(1)) +
                                      QLatin1Char('$'));
    QStringList tags;
    for (const QString& text : shown) {
        const QRegularExpressionMatch match = keepText.match(text);
        tags << (text == GetLangText(Txt::SaveChanges) ? QStringLiteral("save?")
                 : match.hasMatch()                     ? QStringLiteral("keep %1?").arg(match.captured(1))
                 : text.startsWith(QLatin1String("folder:")) ? QStringLiteral("file")
                                                              : text);
    }
    return tags.join(QLatin1Char(' '));
}
