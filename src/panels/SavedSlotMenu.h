#pragma once

#include <QList>
#include <QString>

class CMenuBar;
class CProSlider;
class QWidget;

// What the colour and pan/tilt controls share: the bar of saved slots with
// its right-click "Save" menu, the common state of their switches, and
// faders set from code.

// The tool bar look of the preset controls, 16-pixel icons only.
CMenuBar* NewSavedSlotBar(QWidget* parent);

// Offers "Save" at the pointer; true when the operator chose it. Tests
// install a runner that answers at once (null restores the menu).
using SaveMenuRunner = bool (*)(QWidget* parent);
void SetSaveMenuRunner(SaveMenuRunner runner);
bool RunSaveMenu(QWidget* parent);

// The state switches share, "0/1" when they differ.
int CommonPresetMode(const QList<int>& states);

// The fader shows `value` held to its range; no signal.
void ShowOnFader(CProSlider* fader, int value);
