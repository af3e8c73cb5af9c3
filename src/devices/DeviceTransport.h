#pragma once

#include <QString>
#include <QtGlobal>

// An opened interface as the transport knows it; 0 is none.
using DeviceHandle = quintptr;

// What the device manager asks of the USB and Wi-Fi interfaces, in the shape
// of the USB driver's calls: enumerate, open, time-outs, transfer sizes, purge,
// status, read, write, close. A back-end owns the command link of its
// interfaces and hands whole universes across; the manager never sees frames.
class CDeviceTransport
{
public:
    enum class EKind { Usb, WiFi };

    // What the back-end identified of one interface before it was opened.
    struct SDeviceInfo {
        QString serial;
        QString description;
        EKind kind = EKind::Usb;
        int ports = 1; // 1 or 2 (port A, port B)
        bool secondaryPorts = false; // a second pair of output ports with their own record
        bool standAloneInputs = false; // three input bytes of a stand-alone interface
    };

    // Port numbers of Read and Write: 0 and 1 are ports A and B, 2 and 3 the secondary pair.
    static constexpr int kPortA = 0;
    static constexpr int kPortB = 1;
    static constexpr int kSecondaryPortA = 2;
    static constexpr int kSecondaryPortB = 3;

    virtual ~CDeviceTransport() = default;

    // Enumerates the interfaces present; returns their number.
    virtual int CreateDeviceInfoList() = 0;
    virtual bool GetDeviceInfo(int index, SDeviceInfo& info) = 0;
    virtual DeviceHandle Open(int index) = 0;
    virtual void Close(DeviceHandle handle) = 0;
    virtual bool SetTimeouts(DeviceHandle handle, int readMs, int writeMs) = 0;
    virtual bool SetTransferSize(DeviceHandle handle, int inBytes, int outBytes) = 0;
    virtual bool Purge(DeviceHandle handle) = 0;
    // Whether the interface is still there and answering.
    virtual bool GetStatus(DeviceHandle handle) = 0;
    // Each returns the number of levels transferred; fewer than asked is a failure.
    virtual int Write(DeviceHandle handle, int port, const quint8* levels, int count) = 0;
    virtual int Read(DeviceHandle handle, int port, quint8* levels, int count) = 0;
    virtual bool ReadStandAloneInputs(DeviceHandle handle, quint8 (&inputs)[3]) = 0;
};

// The back-end of this build: no command link of an interface is known, so
// it finds no interface and every call on a handle fails.
class CNoDeviceTransport : public CDeviceTransport
{
public:
    int CreateDeviceInfoList() override { return 0; }
    bool GetDeviceInfo(int, SDeviceInfo&) override { return false; }
    DeviceHandle Open(int) override { return 0; }
    void Close(DeviceHandle) override {}
    bool SetTimeouts(DeviceHandle, int, int) override { return false; }
    bool SetTransferSize(DeviceHandle, int, int) override { return false; }
    bool Purge(DeviceHandle) override { return false; }
    bool GetStatus(DeviceHandle) override { return false; }
    int Write(DeviceHandle, int, const quint8*, int) override { return 0; }
    int Read(DeviceHandle, int, quint8*, int) override { return 0; }
    bool ReadStandAloneInputs(DeviceHandle, quint8 (&)[3]) override { return false; }
};
