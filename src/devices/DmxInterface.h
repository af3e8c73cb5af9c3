#pragma once

#include "devices/DeviceTransport.h"

#include <array>
#include <optional>

// Port directions as the project's DMX configuration stores them.
enum EPortDirection : int { kPortOff = 0, kPortInput = 1, kPortOutput = 2 };

struct SDmxPort {
    int direction = kPortOff;
    int universe = -1; // from 0; -1 none
};

// The second pair of ports of an interface that has one: outputs only, with
// the count of frames each has been sent since the last patch change.
struct SSecondaryPorts {
    int universeA = -1;
    int universeB = -1;
    int refreshA = 0;
    int refreshB = 0;
};

// One open interface and how the operator set its ports.
struct SDmxInterface {
    CDeviceTransport::SDeviceInfo info;
    DeviceHandle handle = 0;
    SDmxPort portA{kPortOutput, 0};
    SDmxPort portB;
    std::optional<SSecondaryPorts> secondary;
    std::array<quint8, 3> standAlone{}; // the inputs as last fetched
    int unusableTicks = 0;
    bool lost = false;

    bool HasTwoPorts() const { return info.ports >= 2; }
};

// The six values of one record of the project's DMX configuration list.
struct SDeviceConfig {
    int portADirection = kPortOff;
    int portBDirection = kPortOff;
    int portAUniverse = -1;
    int portBUniverse = -1;
    int secondaryAUniverse = -1; // -1 when the interface has no secondary pair
    int secondaryBUniverse = -1;
};
