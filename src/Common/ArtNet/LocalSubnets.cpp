#include "Common/ArtNet/LocalSubnets.h"

#include "Common/ArtNet/ArtNetPackets.h"

#include <QNetworkInterface>

namespace {

quint32 Mask(int prefixLength)
{
    return prefixLength <= 0 ? 0 : prefixLength >= 32 ? ~quint32(0) : ~((quint32(1) << (32 - prefixLength)) - 1);
}

bool IsLoopback(quint32 address)
{
    return address >> 24 == 127;
}

} // namespace

bool CLocalSubnets::Refresh()
{
    const QVector<SSubnet> before = m_subnets;
    m_subnets.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                m_subnets.append({iface.index(), entry.ip().toIPv4Address(), entry.prefixLength()});
        }
    }
    return m_subnets != before;
}

bool CLocalSubnets::IsOnLink(quint32 address) const
{
    for (const SSubnet& subnet : m_subnets) {
        if (subnet.prefixLength >= 1 && subnet.prefixLength <= 32
            && (address & Mask(subnet.prefixLength)) == (subnet.address & Mask(subnet.prefixLength)))
            return true;
    }
    return false;
}

bool CLocalSubnets::IsOwn(quint32 address) const
{
    if (IsLoopback(address))
        return true;
    for (const SSubnet& subnet : m_subnets) {
        if (subnet.address == address)
            return true;
    }
    return false;
}

bool CLocalSubnets::MayName(quint32 named, quint32 sender, int interfaceIndex) const
{
    if (!ArtNet::IsUnicastNodeAddress(named))
        return false;
    // Every packet to a subnet's broadcast address would reach the whole network.
    for (const SSubnet& subnet : m_subnets) {
        if (subnet.prefixLength < 1 || subnet.prefixLength > 30)
            continue;
        const quint32 hostMask = ~Mask(subnet.prefixLength);
        if (named == (subnet.address | hostMask) || named == (subnet.address & ~hostMask))
            return false;
    }
    // Only this machine answers for this machine: a reply from the network
    // naming the loopback or our own address would have us send to ourselves.
    if (IsOwn(named))
        return IsOwn(sender);
    if (named == sender)
        return true;
    if (interfaceIndex <= 0)
        return false;
    for (const SSubnet& subnet : m_subnets) {
        if (subnet.interfaceIndex != interfaceIndex || subnet.prefixLength < 1 || subnet.prefixLength > 32)
            continue;
        const quint32 mask = Mask(subnet.prefixLength);
        if ((named & mask) == (subnet.address & mask))
            return true;
    }
    return false;
}
