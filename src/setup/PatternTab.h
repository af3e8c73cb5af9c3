#pragma once

#include "setup/PresetTab.h"

// Pattern pictures of "System/Patterns".
class CPatternTab : public CPresetTab
{
    Q_OBJECT
public:
    explicit CPatternTab(QWidget* parent = nullptr);

    CPresetsListWnd* Window() const { return m_window; }

public slots:
    void OnSelChanged(QListWidgetItem* item);

private:
    CPresetsListWnd* m_window;
};
