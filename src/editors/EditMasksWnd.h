#pragma once

#include "live/LiveEditor.h"
#include "show/Project.h"

#include <QWidget>

class QAction;
class QPushButton;
class QTableWidget;
class QToolBar;

// Lists, adds, renames and removes the project's masks, in place. A copy
// taken at opening lets Cancel put the list back as it was.
class CEditMasksWnd : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    CEditMasksWnd(CProject& project, QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    void Cancel() override { OnCancel(); }
    bool HasChanges() const override;
    QString EditedName() const override;
    void EndEdit(bool keep) override;
    void Retranslate() override;

    int CurrentMask() const { return m_currentMask; }
    QTableWidget* Table() const { return m_table; }
    QAction* RemoveAction() const { return m_remove; }

public slots:
    void AddMask();
    void RemoveMask();
    void OnSelChanged();
    void OnCelChanged(int row, int column);
    void OnCelDoubleClicked(int row, int column);
    void OnOk();
    void OnCancel();

signals:
    void editMasks(bool edit);
    void closeWnd();

private:
    void FillTable();
    bool HasCurrentMask() const { return m_currentMask >= 0 && m_currentMask < m_project.m_masks.size(); }

    CProject& m_project;
    int m_currentMask = -1;
    bool m_busy = false;
    QList<CMask> m_backup;
    QAction* m_add;
    QAction* m_remove;
    QToolBar* m_toolBar;
    QTableWidget* m_table;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
