#pragma once

#include "setup/PresetTab.h"

// Gobo pictures of five folders below "System/Gobos".
class CGoboTab : public CSubTabsPresetTab
{
    Q_OBJECT
public:
    explicit CGoboTab(QWidget* parent = nullptr);
};
