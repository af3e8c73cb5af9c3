#pragma once

#include <QString>

class QWidget;

// Every modal box and dialog runs between these two, so the floating video
// window of the timeline never covers it. Nested runs hide the window once
// and show it again only when the outermost run ends.
void SuspendVideoWindow();
void ResumeVideoWindow();

// A modal Yes/No question; returns QMessageBox::Yes or QMessageBox::No.
int AskQuestion(QWidget* parent, const QString& title, const QString& text);
// A modal question that can be backed out of: Yes, No or Cancel, which
// Escape and the close button give; Yes is the default.
int AskYesNoCancel(QWidget* parent, const QString& title, const QString& text);
// A modal information box with one OK button.
void ShowInformation(QWidget* parent, const QString& title, const QString& text);
