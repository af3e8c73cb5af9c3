#pragma once

#include "devices/DmxInterface.h"

#include <QObject>
#include <QVector>
#include <functional>
#include <memory>

// The USB and Wi-Fi DMX interfaces: opens what the transport finds, keeps
// each one's port settings, and runs the interface pass of the master tick.
// Everything happens on the GUI thread.
class CDeviceManager : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLevels = 512;
    static constexpr int kLostAfterTicks = 200;
    static constexpr int kStandAlonePeriodMs = 200;
    static constexpr int kReadTimeoutMs = 20;
    static constexpr int kWriteTimeoutMs = 20;
    static constexpr int kTransferSize = 4096;
    // A transport that reports more than this is not believed.
    static constexpr int kMaxInterfaces = 64;

    // The 512 levels of universe u, or null when it has none.
    using OutputBuffer = std::function<const quint8*(int universe)>;
    using InputBuffer = std::function<quint8*(int universe)>;

    // Without a transport the manager uses the back-end that finds no interface.
    explicit CDeviceManager(std::unique_ptr<CDeviceTransport> transport = nullptr, QObject* parent = nullptr);
    ~CDeviceManager() override;

    // Closes what is open, then opens every interface the transport finds;
    // returns how many opened.
    int OpenDevices();
    void CloseDevices();

    // The interfaces in the order Orvane::StoreDeviceConfig walks them. One
    // that was lost stays in its place, closed, so that the records of the
    // others keep theirs.
    int InterfaceCount() const { return m_interfaces.size(); }
    // Null when `index` is out of range.
    SDmxInterface* Interface(int index)
    {
        return index >= 0 && index < m_interfaces.size() ? &m_interfaces[index] : nullptr;
    }
    const QVector<SDmxInterface>& Interfaces() const { return m_interfaces; }
    QVector<SDeviceConfig> DeviceConfig() const;

    bool HasInputPort() const;
    // After a patch change: clears the refresh counters of the secondary pair
    // of every two-port interface that has one.
    void ResetPortRefresh();

    // The interface pass of the master tick. Output ports get their universe's
    // buffer; input ports are read while recording or while no scene is edited,
    // and outside both their universes are reported for the DMX-input
    // triggers; every 200 ms the stand-alone inputs are fetched and changes
    // reported. An interface unusable for 200 ticks in a row is reported lost.
    void Tick(int elapsedMs, int universeCount, const OutputBuffer& outputOf, const InputBuffer& inputOf,
              bool recording, bool editing);
    // Reads every input port into its universe's buffer (to prime a recording);
    // returns false when a read failed.
    bool ReadInputs(int universeCount, const InputBuffer& inputOf);

signals:
    void dmxInputRefreshed(int universe);
    void standAloneInputsChanged(int input1, int input2, int input3);
    void interfaceLost(const QString& description);

private:
    // False only when the interface failed a transfer it was given.
    bool WritePort(SDmxInterface& iface, int port, int universe, int universeCount, const OutputBuffer& outputOf,
                   bool& written);
    bool ReadPort(SDmxInterface& iface, int port, int universe, int universeCount, const InputBuffer& inputOf,
                  bool& read);
    bool ReadInputPorts(SDmxInterface& iface, int universeCount, const InputBuffer& inputOf, QVector<int>* refreshed);
    bool FetchStandAlone(SDmxInterface& iface);
    void MarkLost(SDmxInterface& iface);

    std::unique_ptr<CDeviceTransport> m_transport;
    QVector<SDmxInterface> m_interfaces;
    int m_standAloneMs = 0;
};
