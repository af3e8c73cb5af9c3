#pragma once

#include <QLoggingCategory>

// The debug log of the interfaces, Art-Net and MIDI. Silent unless asked for
// (QT_LOGGING_RULES="orvane.devices.debug=true"): diagnostics never reach the operator.
Q_DECLARE_LOGGING_CATEGORY(lcDevices)
