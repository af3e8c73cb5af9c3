#include "widgets/ToolDialog.h"

#include "show/ShowHost.h"

#include <QDialog>

void MakeToolDialog(QDialog& dialog, const QString& title, int width, int height)
{
    dialog.setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    dialog.setWindowTitle(title);
    dialog.setFixedSize(width, height);
    dialog.setPalette(ShowHost().ProgramPalette());
    dialog.setAutoFillBackground(true);
}
