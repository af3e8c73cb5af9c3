#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

// Chooses `path` in an open file dialog and accepts it, as an operator
// types the name. QFileDialog::selectFile leaves the name field alone while
// that field has the focus, which the dialog takes once the window system
// activates it; a dialog accepted with an empty name stays open, so whether
// the activation came before the test acted decided whether the test went
// on. The dialog is made active first: every run meets the same dialog.
inline void ChooseFile(QFileDialog* dialog, const QString& path)
{
    QApplication::setActiveWindow(dialog);
    dialog->selectFile(path);
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(QFileInfo(path).fileName());
    QMetaObject::invokeMethod(dialog, "accept");
}
