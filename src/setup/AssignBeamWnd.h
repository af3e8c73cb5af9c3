#pragma once

#include <QRect>
#include <QWidget>

class CFixtureProfile;
class CProfileMode;

// The table of the assign-beams dialog: one row per channel of the
// profile's current mode, an "All" column and one column per beam. A click
// toggles a beam of the channel's beam list, or empties the list (the
// channel serves all beams) in the "All" column. The lists change at once.
class CAssignBeamWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kCell = 20;
    static constexpr int kNameWidth = 300;
    // A beam list stores beam numbers as bytes; further beams get no column.
    static constexpr int kMaxColumns = 256;

    // Beam numbers of the channels that the profile's beams do not reach
    // are dropped first.
    explicit CAssignBeamWnd(CFixtureProfile* profile, QWidget* parent = nullptr);

    int BeamCount() const { return m_beamCount; }
    int ChannelCount() const;
    // Column 0 is "All", column c is beam c - 1; null outside the table.
    QRect CellRect(int row, int column) const;
    static int TableWidth(int beams) { return kCell * beams + 341; }
    static int TableHeight(int channels) { return kCell * channels + 21; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void PaintTable(QPainter& painter, int firstRow, int lastRow);

    CProfileMode* m_mode = nullptr;
    int m_beamCount = 1;
};
