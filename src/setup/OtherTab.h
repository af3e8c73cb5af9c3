#pragma once

#include "setup/PresetTab.h"

// The built-in preset pictures: beam, rotations, prisms, numbered colours
// and the rest, each with its preset type and parameter.
class COtherTab : public CSubTabsPresetTab
{
    Q_OBJECT
public:
    enum SubTab { Beam, Rotation, Prism, Colors, Other };

    explicit COtherTab(QWidget* parent = nullptr);
};
