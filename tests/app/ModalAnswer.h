#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// Acts on the next modal window of type T as soon as it is shown: the
// tests answer the program's boxes and file dialogs as an operator would.
// Gives up when the test that armed it is over, so that a box that never
// came cannot answer a later test's, or after thirty seconds.
template <typename T>
void OnNextModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    const QByteArray test = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    QObject::connect(timer, &QTimer::timeout, [timer, act, started, test] {
        const QByteArray now = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
        if (now != test || started->elapsed() > 30000) {
            timer->stop();
            timer->deleteLater();
        } else if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(window);
        }
    });
    timer->start(5);
}
