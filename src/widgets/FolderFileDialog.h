#pragma once

#include <QString>

class QWidget;

// File dialogs that start where they are told. Qt's own static dialogs
// may start where a file dialog was last instead, even in an earlier run:
// a dialog for projects opened after one for profiles would show the
// profiles. `folder` is a folder; `proposal` a file name with its folder.
// Both return the chosen path, empty when cancelled.
QString OpenFileIn(QWidget* parent, const QString& caption, const QString& folder, const QString& filter);
QString SaveFileIn(QWidget* parent, const QString& caption, const QString& proposal, const QString& filter);
