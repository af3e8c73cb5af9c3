#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;

// Lets the operator pick the scenes of an older project file to keep, and
// whether they go to a new page.
class CZikoraImportDlg : public QDialog
{
    Q_OBJECT

public:
    CZikoraImportDlg(const QStringList& sceneNames, QWidget* parent);

    // One entry per scene, in the order given.
    QList<bool> SceneChecks() const;
    // Qt::Checked (2) when the scenes go to a new page.
    int NewTabState() const;

private:
    QList<QCheckBox*> m_sceneBoxes;
    QCheckBox* m_newTab = nullptr;
};
