#include "widgets/FolderFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

QString Run(QFileDialog& dialog, const QString& start)
{
    // Set once the dialog is built: building it restores the folder it
    // remembers.
    const QFileInfo info(start);
    if (start.isEmpty() || info.isDir()) {
        dialog.setDirectory(info.absoluteFilePath());
    } else {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QString OpenFileIn(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog, folder);
}

QString SaveFileIn(QWidget* parent, const QString& caption, const QString& proposal, const QString& filter)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return Run(dialog, proposal);
}
