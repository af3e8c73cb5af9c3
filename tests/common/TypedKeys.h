#pragma once

#include <QSpinBox>
#include <QtTest>

// Keys into a spin box as the user types them: its text selected with
// Ctrl+A, the keys ("+" is the up arrow), then Return unless the typing is
// left unfinished.
inline void TypeInto(QSpinBox* box, const QString& keys, bool pressReturn = true)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    for (const QChar key : keys) {
        if (key == QLatin1Char('+'))
            QTest::keyClick(box, Qt::Key_Up);
        else
            QTest::keyClicks(box, QString(key));
    }
    if (pressReturn)
        QTest::keyClick(box, Qt::Key_Return);
}
