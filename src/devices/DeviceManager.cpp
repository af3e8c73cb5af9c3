#include "devices/DeviceManager.h"

#include "devices/DeviceLog.h"

#include <algorithm>

namespace {

bool ValidUniverse(int universe, int universeCount)
{
    return universe >= 0 && universe < universeCount;
}

QString NameOf(const SDmxInterface& iface)
{
    return QStringLiteral("%1 [%2]").arg(iface.info.description, iface.info.serial);
}

} // namespace

CDeviceManager::CDeviceManager(std::unique_ptr<CDeviceTransport> transport, QObject* parent)
    : QObject(parent)
    , m_transport(transport ? std::move(transport) : std::make_unique<CNoDeviceTransport>())
{
}

CDeviceManager::~CDeviceManager()
{
    CloseDevices();
}

int CDeviceManager::OpenDevices()
{
    CloseDevices();
    const int count = std::clamp(m_transport->CreateDeviceInfoList(), 0, kMaxInterfaces);
    for (int index = 0; index < count; ++index) {
        SDmxInterface iface;
        if (!m_transport->GetDeviceInfo(index, iface.info))
            continue;
        iface.info.ports = std::clamp(iface.info.ports, 1, 2);
        iface.handle = m_transport->Open(index);
        if (!iface.handle) {
            qCDebug(lcDevices).noquote() << QStringLiteral("Interface %1 cannot be opened").arg(NameOf(iface));
            continue;
        }
        if (!m_transport->SetTimeouts(iface.handle, kReadTimeoutMs, kWriteTimeoutMs)
            || !m_transport->SetTransferSize(iface.handle, kTransferSize, kTransferSize)
            || !m_transport->Purge(iface.handle)) {
            qCDebug(lcDevices).noquote() << QStringLiteral("Interface %1 cannot be set up").arg(NameOf(iface));
            m_transport->Close(iface.handle);
            continue;
        }
        if (iface.info.secondaryPorts)
            iface.secondary = SSecondaryPorts();
        qCDebug(lcDevices).noquote() << QStringLiteral("Interface opened : %1").arg(NameOf(iface));
        m_interfaces.append(iface);
    }
    if (m_interfaces.isEmpty())
        qCDebug(lcDevices) << "No DMX interface found";
    return m_interfaces.size();
}

void CDeviceManager::CloseDevices()
{
    for (SDmxInterface& iface : m_interfaces) {
        if (iface.handle)
            m_transport->Close(iface.handle);
    }
    m_interfaces.clear();
    m_standAloneMs = 0;
}

QVector<SDeviceConfig> CDeviceManager::DeviceConfig() const
{
    QVector<SDeviceConfig> records;
    for (const SDmxInterface& iface : m_interfaces) {
        SDeviceConfig record;
        record.portADirection = iface.portA.direction;
        record.portBDirection = iface.portB.direction;
        record.portAUniverse = iface.portA.universe;
        record.portBUniverse = iface.portB.universe;
        if (iface.secondary) {
            record.secondaryAUniverse = iface.secondary->universeA;
            record.secondaryBUniverse = iface.secondary->universeB;
        }
        records << record;
    }
    return records;
}

bool CDeviceManager::HasInputPort() const
{
    return std::any_of(m_interfaces.begin(), m_interfaces.end(), [](const SDmxInterface& iface) {
        return !iface.lost
               && (iface.portA.direction == kPortInput || (iface.HasTwoPorts() && iface.portB.direction == kPortInput));
    });
}

void CDeviceManager::ResetPortRefresh()
{
    for (SDmxInterface& iface : m_interfaces) {
        if (iface.HasTwoPorts() && iface.secondary) {
            iface.secondary->refreshA = 0;
            iface.secondary->refreshB = 0;
        }
    }
}

bool CDeviceManager::WritePort(SDmxInterface& iface, int port, int universe, int universeCount,
                               const OutputBuffer& outputOf, bool& written)
{
    written = false;
    if (!ValidUniverse(universe, universeCount) || !outputOf)
        return true;
    const quint8* levels = outputOf(universe);
    if (!levels)
        return true;
    written = m_transport->Write(iface.handle, port, levels, kLevels) == kLevels;
    return written;
}

bool CDeviceManager::ReadPort(SDmxInterface& iface, int port, int universe, int universeCount,
                              const InputBuffer& inputOf, bool& read)
{
    read = false;
    if (!ValidUniverse(universe, universeCount) || !inputOf)
        return true;
    quint8* buffer = inputOf(universe);
    if (!buffer)
        return true;
    // A short read leaves the universe as it was rather than half overwritten.
    quint8 levels[kLevels];
    if (m_transport->Read(iface.handle, port, levels, kLevels) != kLevels)
        return false;
    std::copy(levels, levels + kLevels, buffer);
    read = true;
    return true;
}

bool CDeviceManager::ReadInputPorts(SDmxInterface& iface, int universeCount, const InputBuffer& inputOf,
                                    QVector<int>* refreshed)
{
    bool ok = true;
    const SDmxPort* ports[2] = {&iface.portA, iface.HasTwoPorts() ? &iface.portB : nullptr};
    for (int port = 0; port < 2; ++port) {
        if (!ports[port] || ports[port]->direction != kPortInput)
            continue;
        bool read = false;
        ok = ReadPort(iface, port, ports[port]->universe, universeCount, inputOf, read) && ok;
        if (read && refreshed && !refreshed->contains(ports[port]->universe))
            refreshed->append(ports[port]->universe);
    }
    return ok;
}

bool CDeviceManager::FetchStandAlone(SDmxInterface& iface)
{
    quint8 inputs[3] = {0, 0, 0};
    if (!m_transport->ReadStandAloneInputs(iface.handle, inputs))
        return false;
    if (!std::equal(std::begin(inputs), std::end(inputs), iface.standAlone.begin())) {
        std::copy(std::begin(inputs), std::end(inputs), iface.standAlone.begin());
        emit standAloneInputsChanged(inputs[0], inputs[1], inputs[2]);
    }
    return true;
}

void CDeviceManager::MarkLost(SDmxInterface& iface)
{
    iface.lost = true;
    m_transport->Close(iface.handle);
    iface.handle = 0;
    qCDebug(lcDevices).noquote() << QStringLiteral("Interface lost : %1").arg(NameOf(iface));
    emit interfaceLost(iface.info.description);
}

void CDeviceManager::Tick(int elapsedMs, int universeCount, const OutputBuffer& outputOf, const InputBuffer& inputOf,
                          bool recording, bool editing)
{
    // A tick after a long stall may hand on nearly an int of milliseconds.
    m_standAloneMs = int(std::min<qint64>(qint64(m_standAloneMs) + std::max(elapsedMs, 0), kStandAlonePeriodMs));
    const bool fetchStandAlone = m_standAloneMs >= kStandAlonePeriodMs;
    if (fetchStandAlone)
        m_standAloneMs = 0;
    const bool readInputs = recording || !editing;
    const bool feedTriggers = !recording && !editing;

    QVector<int> refreshed;
    for (SDmxInterface& iface : m_interfaces) {
        if (iface.lost)
            continue;
        bool usable = iface.handle && m_transport->GetStatus(iface.handle);
        if (usable) {
            bool written = false;
            if (iface.portA.direction == kPortOutput)
                usable = WritePort(iface, CDeviceTransport::kPortA, iface.portA.universe, universeCount, outputOf,
                                   written) && usable;
            if (iface.HasTwoPorts() && iface.portB.direction == kPortOutput)
                usable = WritePort(iface, CDeviceTransport::kPortB, iface.portB.universe, universeCount, outputOf,
                                   written) && usable;
            if (iface.secondary) {
                SSecondaryPorts& pair = *iface.secondary;
                usable = WritePort(iface, CDeviceTransport::kSecondaryPortA, pair.universeA, universeCount, outputOf,
                                   written) && usable;
                pair.refreshA += written ? 1 : 0;
                usable = WritePort(iface, CDeviceTransport::kSecondaryPortB, pair.universeB, universeCount, outputOf,
                                   written) && usable;
                pair.refreshB += written ? 1 : 0;
            }
            if (readInputs)
                usable = ReadInputPorts(iface, universeCount, inputOf, feedTriggers ? &refreshed : nullptr) && usable;
            if (fetchStandAlone && iface.info.standAloneInputs)
                usable = FetchStandAlone(iface) && usable;
        }
        if (usable) {
            iface.unusableTicks = 0;
        } else if (++iface.unusableTicks >= kLostAfterTicks) {
            MarkLost(iface);
        }
    }
    for (int universe : refreshed)
        emit dmxInputRefreshed(universe);
}

bool CDeviceManager::ReadInputs(int universeCount, const InputBuffer& inputOf)
{
    bool ok = true;
    for (SDmxInterface& iface : m_interfaces) {
        if (!iface.lost && iface.handle)
            ok = ReadInputPorts(iface, universeCount, inputOf, nullptr) && ok;
    }
    return ok;
}
