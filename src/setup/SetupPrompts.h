#pragma once

#include <QString>

class QWidget;

// The modal boxes of the add-fixtures dialog that the program's host does
// not offer: file boxes, the rename box and the save question. Tests give
// the dialog their own answers.
class CSetupPrompts
{
public:
    enum SaveAnswer { Save, Discard, Cancel };

    virtual ~CSetupPrompts() = default;
    // Empty when cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& proposal,
                                 const QString& filter);
    // False when cancelled; `text` comes in as the proposal.
    virtual bool GetText(QWidget* parent, const QString& title, const QString& label, QString& text);
    virtual SaveAnswer AskSaveChanges(QWidget* parent);
};
