#pragma once

#include "setup/PresetsList.h"

// The one picture of a half-colour preset of two to four colours.
class CMultiColorList : public CPresetsList
{
    Q_OBJECT
public:
    explicit CMultiColorList(QWidget* parent = nullptr);

    int ColorCount() const { return m_count; }
    QColor Color(int index) const { return m_colors[index]; }
    void SetColorCount(int count);

public slots:
    void OnColorChanged(int index, const QColor& color);

signals:
    // Emitted by the colour tab with the colour its picker chose.
    void currentColorChanged(const QColor& color);

protected:
    void startDrag(Qt::DropActions actions) override;

private:
    void Redraw();

    int m_count = 2;
    QColor m_colors[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
};
