#pragma once

#include "devices/DeviceTransport.h"

#include <QByteArray>
#include <QVector>
#include <array>
#include <optional>

// A transport whose interfaces are whatever a test lists, each answering as
// told; every transfer is recorded.
class CFakeTransport : public CDeviceTransport
{
public:
    struct SDevice {
        SDeviceInfo info;
        bool opens = true;
        bool setsUp = true;
        bool present = true;     // GetStatus
        bool writes = true;
        int readCount = 512;     // levels a Read returns
        quint8 inputLevel = 0;   // every level a Read returns is this plus the port
        std::array<quint8, 3> standAlone{};
        bool closed = false;
    };

    struct SWrite {
        DeviceHandle handle;
        int port;
        QByteArray levels;
    };

    QVector<SDevice> devices;
    std::optional<int> reportedCount; // what enumeration claims; the number of devices when unset
    QVector<SWrite> writes;
    QVector<QPair<DeviceHandle, int>> reads;
    int standAloneReads = 0;
    int infoCalls = 0;

    static SDeviceInfo Info(const QString& serial, int ports, bool secondary = false, bool standAlone = false)
    {
        SDeviceInfo info;
        info.serial = serial;
        info.description = QStringLiteral("Interface ") + serial;
        info.ports = ports;
        info.secondaryPorts = secondary;
        info.standAloneInputs = standAlone;
        return info;
    }

    SDevice& Device(DeviceHandle handle) { return devices[int(handle) - 1]; }
    void ClearRecords()
    {
        writes.clear();
        reads.clear();
        standAloneReads = 0;
    }

    int CreateDeviceInfoList() override { return reportedCount.value_or(devices.size()); }
    bool GetDeviceInfo(int index, SDeviceInfo& info) override
    {
        ++infoCalls;
        if (index < 0 || index >= devices.size())
            return false;
        info = devices[index].info;
        return true;
    }
    DeviceHandle Open(int index) override { return devices[index].opens ? DeviceHandle(index + 1) : 0; }
    void Close(DeviceHandle handle) override { Device(handle).closed = true; }
    bool SetTimeouts(DeviceHandle handle, int, int) override { return Device(handle).setsUp; }
    bool SetTransferSize(DeviceHandle, int, int) override { return true; }
    bool Purge(DeviceHandle) override { return true; }
    bool GetStatus(DeviceHandle handle) override { return Device(handle).present; }
    int Write(DeviceHandle handle, int port, const quint8* levels, int count) override
    {
        writes.append({handle, port, QByteArray(reinterpret_cast<const char*>(levels), count)});
        return Device(handle).writes ? count : count / 2;
    }
    int Read(DeviceHandle handle, int port, quint8* levels, int count) override
    {
        reads.append({handle, port});
        const SDevice& device = Device(handle);
        const int n = qMin(count, device.readCount);
        for (int i = 0; i < n; ++i)
            levels[i] = quint8(device.inputLevel + port);
        return n;
    }
    bool ReadStandAloneInputs(DeviceHandle handle, quint8 (&inputs)[3]) override
    {
        ++standAloneReads;
        const SDevice& device = Device(handle);
        for (int i = 0; i < 3; ++i)
            inputs[i] = device.standAlone[size_t(i)];
        return device.present;
    }
};
