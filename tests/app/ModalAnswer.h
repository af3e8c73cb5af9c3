#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

// Acts on the next modal window of type T as soon as it is shown: the
// tests answer the program's boxes and file dialogs as an operator would.
// Gives up after five seconds so a box that never comes cannot answer a
// later test's.
template <typename T>
void OnNextModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [timer, act, started] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(window);
        } else if (started->elapsed() > 5000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}
