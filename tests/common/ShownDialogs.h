#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>

// For its life, answers every modal window the program shows, as an
// operator would, and writes down what each one was: a message box by its
// text, answered with the next word of `script` ("Yes", "No", "Cancel", or
// "Escape" and "Close", the key and the window's close button), once the
// script is used up with `answer` (or its only button); a file dialog as
// "folder: <where it starts>", cancelled unless `pick` names a file for it
// to choose; a name box, with `acceptNames`, accepted with the name it
// proposes and not written down; any other dialog by its class,
// cancelled. It acts on the window's own show event, so no timer decides
// whether a window came.
class CShownDialogs : public QObject
{
public:
    explicit CShownDialogs(QMessageBox::StandardButton answer = QMessageBox::No)
        : m_answer(answer)
    {
        qApp->installEventFilter(this);
    }
    ~CShownDialogs() override { qApp->removeEventFilter(this); }

    QStringList shown;
    QString pick;
    QStringList script;
    bool acceptNames = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        // Under another one, made later for a single command, it leaves
        // the window to that one's answer, each time it is shown.
        if (dialog && event->type() == QEvent::Hide)
            dialog->setProperty(kAnswered, false);
        if (event->type() != QEvent::Show || !dialog || !dialog->isModal() || dialog->property(kAnswered).toBool())
            return false;
        dialog->setProperty(kAnswered, true);
        QPointer<QDialog> guard(dialog);
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            shown << box->text();
            const QMessageBox::StandardButton answer = m_answer;
            const QString word = script.isEmpty() ? QString() : script.takeFirst();
            QMetaObject::invokeMethod(
                this,
                [guard, answer, word] {
                    auto* box = qobject_cast<QMessageBox*>(guard.data());
                    if (!box)
                        return;
                    if (word == QLatin1String("Escape")) {
                        QTest::keyClick(box, Qt::Key_Escape);
                        return;
                    }
                    if (word == QLatin1String("Close")) {
                        box->close();
                        return;
                    }
                    const QMessageBox::StandardButton named = word == QLatin1String("Yes") ? QMessageBox::Yes
                                                              : word == QLatin1String("No")  ? QMessageBox::No
                                                              : word == QLatin1String("Cancel") ? QMessageBox::Cancel
                                                                                                 : answer;
                    QAbstractButton* button = box->button(named);
                    if (!button && box->buttons().size() == 1)
                        button = box->buttons().first();
                    if (button)
                        button->click();
                    else
                        box->reject();
                },
                Qt::QueuedConnection);
            return false;
        }
        if (acceptNames && qobject_cast<QInputDialog*>(dialog)) {
            QMetaObject::invokeMethod(
                this, [guard] { if (guard) guard->accept(); }, Qt::QueuedConnection);
            return false;
        }
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            shown << QStringLiteral("folder: ") + QDir::cleanPath(files->directory().absolutePath());
            if (!pick.isEmpty()) {
                files->selectFile(pick);
                QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
                return false;
            }
        } else {
            shown << QString::fromLatin1(dialog->metaObject()->className());
        }
        QMetaObject::invokeMethod(
            this, [guard] { if (guard) guard->reject(); }, Qt::QueuedConnection);
        return false;
    }

private:
    static constexpr const char* kAnswered = "shownDialogsAnswered";
    QMessageBox::StandardButton m_answer;
};
