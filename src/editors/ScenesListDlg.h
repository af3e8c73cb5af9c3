#pragma once

#include <QDialog>

class CPage;
class CScene;
class QTableWidget;

// Picks the scenes of the page that the scene releases in play mode
// "Release List". Each check changes the scene's list at once; the caller
// keeps the list from before and puts it back when the dialog is cancelled.
class CScenesListDlg : public QDialog
{
    Q_OBJECT
public:
    CScenesListDlg(CPage* page, CScene* scene, QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_table; }

public slots:
    void OnCheckScene(int state);

private:
    CPage* m_page;
    CScene* m_scene;
    QTableWidget* m_table;
};
