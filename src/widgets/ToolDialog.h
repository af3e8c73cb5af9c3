#pragma once

class QDialog;
class QString;

// The look of the program's small dialogs: a tool window of fixed size on
// the program's palette.
void MakeToolDialog(QDialog& dialog, const QString& title, int width, int height);
