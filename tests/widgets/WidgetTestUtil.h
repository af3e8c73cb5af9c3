#pragma once

#include "model/Language.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace WidgetTest {

// The program's own caption tables, as the main window loads them.
inline void LoadCaptions()
{
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
}

// QTest moves the pointer of a widget without its buttons; a drag needs a
// move with the button still down.
inline void MoveHeld(QWidget* widget, const QPoint& pos, Qt::MouseButtons buttons = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons, modifiers);
    QApplication::sendEvent(widget, &move);
}

} // namespace WidgetTest
