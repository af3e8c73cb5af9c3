#pragma once

class CPresetsList;

constexpr int kOneItemEdge = 48;

// The look the two one-picture lists share: no frame, 80 x 80, the panel
// background of the options.
void StyleOneItemList(CPresetsList& list);
