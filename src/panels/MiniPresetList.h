#pragma once

#include <QList>
#include <QWidget>

class CPresetCtrl;

// The strip of minimised controls at the right edge of the presets window:
// one 20-pixel row per control with its title; a click gives it back.
class CMiniPresetList : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 20;
    static constexpr int kWidth = 80;

    explicit CMiniPresetList(QWidget* parent = nullptr);

    // The controls stay the window's.
    void Add(CPresetCtrl* control);
    void Clear();
    const QList<CPresetCtrl*>& Controls() const { return m_controls; }
    bool IsEmpty() const { return m_controls.isEmpty(); }

signals:
    void maximize(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QList<CPresetCtrl*> m_controls;
};
