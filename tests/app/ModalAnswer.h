#pragma once

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <functional>

// Acts on the next modal window of type T as the operator would, once its
// modal loop runs: the tests answer the program's boxes and file dialogs.
// It watches for the window's own show event, so no timer decides whether
// the window came, however slow the machine; it lets go when the test that
// armed it is over, so that a window that never came cannot be answered for
// a later test.
template <typename T>
void OnNextModal(std::function<void(T*)> act)
{
    class CWatch : public QObject
    {
    public:
        CWatch(std::function<void(T*)> act)
            : m_act(std::move(act))
            , m_test(Current())
        {
            qApp->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::Show)
                return false;
            if (Current() != m_test) {
                deleteLater();
                return false;
            }
            auto* window = qobject_cast<T*>(watched);
            if (!window || !window->isModal())
                return false;
            qApp->removeEventFilter(this);
            // Queued: the act runs inside the window's modal loop, as the
            // operator's answer comes.
            QPointer<T> guard(window);
            QMetaObject::invokeMethod(
                qApp,
                [guard, act = m_act] {
                    if (guard)
                        act(guard.data());
                },
                Qt::QueuedConnection);
            deleteLater();
            return false;
        }

    private:
        static QByteArray Current()
        {
            return QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
        }
        std::function<void(T*)> m_act;
        QByteArray m_test;
    };
    new CWatch(std::move(act));
}
