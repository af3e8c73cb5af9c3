#pragma once

#include <QWidget>

#include <array>

class CProject;
class QComboBox;

// The DMX level monitor: the 512 output levels of one universe, with the
// slots the live layer holds marked. The master tick hands it each tick
// while it is open; the live marks are read again when the live levels
// change (OnLiveLevelsChanged), not on every tick.
class CDmxLevelsWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSlots = 512;
    static constexpr int kColumns = 32;

    explicit CDmxLevelsWnd(CProject& project, QWidget* parent = nullptr);

    // Takes the output levels; nothing while the monitor is hidden.
    void Tick();
    void OnLiveLevelsChanged();
    // After a project was loaded or the universe count changed.
    void Reload();
    void Retranslate();

    // Out-of-range universes are refused.
    void SetUniverse(int universe);
    int Universe() const { return m_universe; }
    int Level(int slot) const;
    bool IsLiveSlot(int slot) const;
    // Where the grid draws the slot, in the grid's coordinates.
    QRect CellRect(int slot) const;
    QWidget* Grid() const;
    QComboBox* UniverseList() const { return m_pUniverses; }

    static QColor LiveColor() { return QColor(150, 60, 20); }
    static QColor CellColor() { return QColor(40, 40, 40); }

private slots:
    void OnUniverseChosen(int index);

private:
    class CGrid;

    bool ReadLevels();
    void ReadLiveMarks();

    CProject& m_project;
    QComboBox* m_pUniverses;
    CGrid* m_pGrid;
    int m_universe = 0;
    std::array<quint8, kSlots> m_levels{};
    std::array<bool, kSlots> m_live{};
};
