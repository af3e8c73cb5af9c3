#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// Mouse gestures sent straight to a widget, at exactly the points given:
// QTest moves the pointer without its buttons and takes (0, 0) for the
// widget's centre.
namespace SyntheticMouse {

inline void Send(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                 Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline void Press(QWidget* widget, const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Send(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton, modifiers);
}

inline void Move(QWidget* widget, const QPoint& pos, Qt::MouseButtons buttons = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Send(widget, QEvent::MouseMove, pos, Qt::NoButton, buttons, modifiers);
}

inline void Release(QWidget* widget, const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Send(widget, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton, modifiers);
}

// Press at `from`, one move to `to` when they differ, release at `to`.
inline void Drag(QWidget* widget, const QPoint& from, const QPoint& to,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Press(widget, from, modifiers);
    if (to != from)
        Move(widget, to, Qt::LeftButton, modifiers);
    Release(widget, to, modifiers);
}

// A click at a point of the screen, given to whatever widget shows there as
// the operator's click would be; that widget, or null where none shows.
inline QWidget* ClickAt(const QPoint& global)
{
    QWidget* widget = QApplication::widgetAt(global);
    if (widget) {
        Press(widget, widget->mapFromGlobal(global));
        Release(widget, widget->mapFromGlobal(global));
    }
    return widget;
}

} // namespace SyntheticMouse
