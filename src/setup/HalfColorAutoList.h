#pragma once

#include "setup/PresetsList.h"

// The one picture of the automatic half colour, whose two colours come from
// the colour presets around it.
class CHalfColorAutoList : public CPresetsList
{
    Q_OBJECT
public:
    explicit CHalfColorAutoList(QWidget* parent = nullptr);
};
