#pragma once

#include <QWidget>

// How the ten address switches of a fixture must be set for the start
// address of the last selected block. A click on the mark at the right
// chooses between switches showing the address or the address minus one.
class CDipSwitchCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CDipSwitchCtrl(QWidget* parent = nullptr);

    // 1 to 512; 0 shows no address. Larger values are ignored.
    void SetAddress(int address);
    int Address() const { return m_address; }
    bool IsNineBit() const { return m_nineBit; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    quint16 m_address = 0;
    bool m_nineBit = false;
};
