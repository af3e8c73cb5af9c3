#pragma once

#include <QAbstractItemView>
#include <QLineEdit>
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

// Types over a table's cell as the user does: the cell made current, F2,
// its text selected and replaced, then Return, whose commit is queued.
inline void TypeIntoCell(QAbstractItemView* view, const QModelIndex& cell, const QString& text)
{
    view->setCurrentIndex(cell);
    QTest::keyClick(view, Qt::Key_F2);
    QLineEdit* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY2(editor, "F2 opened no editor on the cell");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents();
}
