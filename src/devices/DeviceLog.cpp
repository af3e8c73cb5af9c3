#include "devices/DeviceLog.h"

Q_LOGGING_CATEGORY(lcDevices, "orvane.devices", QtInfoMsg)
