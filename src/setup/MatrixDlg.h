#pragma once

#include "show/DmxLayer.h"

#include <QDialog>

class CLibraryProfile;
class CMatrixWnd;
class CPatchMatrixBlock;
class CProject;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QScrollArea;
class QTimer;
class REDOvoroz;

// The matrix builder: X by Y fixtures of one profile chained over the
// universes from a start address, wired in one of sixteen orders, with a
// preview that lights them one by one on the playback layer. It never
// writes the patch: the opener reads the cells of its grid after OK. The
// playback layer is given back as it was when the preview stops.
class CMatrixDlg : public QDialog
{
    Q_OBJECT
public:
    // The profile must have 1 to 512 channels and the start must fit it.
    CMatrixDlg(CProject& project, CLibraryProfile* profile, int universe, int address, int columns, int rows,
               int limit, int capacity, QWidget* parent = nullptr);
    ~CMatrixDlg() override;

    CMatrixWnd* Grid() const { return m_grid; }
    // Lays the edited matrix's members on a grid of its own size; returns
    // how many members had no usable cell.
    int LoadMatrix(const CPatchMatrixBlock& matrix);
    int Capacity() const { return m_capacity; }

    QSpinBox* ColumnsSpin() const { return m_columnsSpin; }
    QSpinBox* RowsSpin() const { return m_rowsSpin; }
    QComboBox* FirstAddressCombo() const { return m_firstCombo; }
    QComboBox* PerUniverseCombo() const { return m_perUniverseCombo; }
    QLabel* LastAddressLabel() const { return m_lastLabel; }
    QAction* PlayAction() const { return m_playAction; }
    QAction* RemoveAction() const { return m_removeAction; }
    QAction* OrderAction(int order) const { return m_orderActions.value(order); }
    QCheckBox* FollowingCheck() const { return m_followingCheck; }
    REDOvoroz* Slider() const { return m_slider; }
    // The pictures the dialog asks for, below the resource folder.
    static QStringList PictureNames();

    void done(int result) override;

public slots:
    void On1stAddrChanged(int index);
    void OnNbFixtPerUnivChanged(int index);
    void OnMatrixSelChanged();
    void OnXValueChanged(int x);
    void OnYValueChanged(int y);
    void DefaultMode();
    void AddRemoveMode();
    void SelectMode();
    void Remove();
    void Zoom();
    void Play();
    void SetOrder(int order);
    void OnTimer();
    void OnSliderMoved(int value);
    void OnOk();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillFixturesPerUniverse();
    void SetSpinRanges(int maximum);
    // A new size from the columns' or the rows' spin box.
    void Resize(int x, int y, bool columnsChanged);
    void SetMode(int mode);
    void StopPreview();
    void EnableEditing(bool on);

    CProject& m_project;
    CMatrixWnd* m_grid = nullptr;
    QSpinBox* m_columnsSpin = nullptr;
    QSpinBox* m_rowsSpin = nullptr;
    QComboBox* m_firstCombo = nullptr;
    QComboBox* m_perUniverseCombo = nullptr;
    QLabel* m_lastLabel = nullptr;
    QCheckBox* m_followingCheck = nullptr;
    QList<QAction*> m_orderActions;
    QAction* m_defaultAction = nullptr;
    QAction* m_addRemoveAction = nullptr;
    QAction* m_selectAction = nullptr;
    QAction* m_removeAction = nullptr;
    QAction* m_zoomAction = nullptr;
    QAction* m_playAction = nullptr;
    REDOvoroz* m_slider = nullptr;
    QScrollArea* m_gridScroll = nullptr;
    QTimer* m_timer = nullptr;

    int m_capacity = 0;
    bool m_busy = false;
    CDmxLayer m_savedPlayback;
};
