#pragma once

#include <QByteArray>

class QMimeData;

// A preset control dragged inside the presets window: its id as one int.
extern const char kPresetWndMimeType[]; // "image/zk-presetwnd"

QByteArray EncodePresetDragId(int id);
// False for another format or data that does not read as one int.
bool DecodePresetDragId(const QMimeData* mime, int& id);
