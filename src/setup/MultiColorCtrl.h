#pragma once

#include <QWidget>

class CMultiColorList;
class CMultiColorSelect;
class QComboBox;

// The half-colour picture with its choice of two to four colours and the
// squares the picker paints.
class CMultiColorCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CMultiColorCtrl(QWidget* parent = nullptr);

    CMultiColorList* List() const { return m_list; }
    QComboBox* CountCombo() const { return m_combo; }
    CMultiColorSelect* Select() const { return m_select; }

public slots:
    void OnNbColorsChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CMultiColorList* m_list;
    QComboBox* m_combo;
    CMultiColorSelect* m_select;
};

// A frame round a control of the colour tab.
void DrawColorCtrlFrame(QWidget& widget);
