#pragma once

// The kind of an entry of the scene editor's undo history. A run of pushes
// of one kind makes one entry, except step operations, which make one each;
// the preset kinds add the preset's channel index, the level kind the slot.
enum eUndoKind : int {
    UndoEdit = 1,
    UndoNewEffect = 2,
    UndoStepOperation = 3,
    UndoColor = 4,
    UndoPanTilt = 5,
    UndoCopyLive = 6,
    UndoPresetBase = 6,
    UndoDmxLevelBase = 7,
};
