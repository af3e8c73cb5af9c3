#include "Common/ArtNet/LocalSubnets.h"

#include "Common/ArtNet/ArtNetPackets.h"

#include <QNetworkInterface>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_LINUX
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

quint32 Mask(int prefixLength)
{
    return prefixLength <= 0 ? 0 : prefixLength >= 32 ? ~quint32(0) : ~((quint32(1) << (32 - prefixLength)) - 1);
}

bool IsLoopback(quint32 address)
{
    return address >> 24 == 127;
}

bool Contains(const CLocalSubnets::SSubnet& subnet, quint32 address)
{
    return subnet.prefixLength >= 1 && subnet.prefixLength <= 32
        && (address & Mask(subnet.prefixLength)) == (subnet.address & Mask(subnet.prefixLength));
}

// IFF_NOARP in the interface's flags, as the kernel holds them for this
// network namespace; a link whose flags cannot be read is taken to use ARP,
// which only costs speed.
bool LinkUsesArp(const QString& interfaceName)
{
#ifdef Q_OS_LINUX
    const QByteArray name = interfaceName.toLocal8Bit();
    ifreq request{};
    if (name.isEmpty() || name.size() >= int(sizeof request.ifr_name))
        return true;
    memcpy(request.ifr_name, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    const bool read = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    ::close(fd);
    return !read || !(request.ifr_flags & IFF_NOARP);
#else
    Q_UNUSED(interfaceName)
    return true;
#endif
}

} // namespace

bool CLocalSubnets::Refresh()
{
    const QVector<SSubnet> before = m_subnets;
    m_subnets.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const bool arp = LinkUsesArp(iface.name());
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                m_subnets.append({iface.index(), entry.ip().toIPv4Address(), entry.prefixLength(), arp});
        }
    }
    return m_subnets != before;
}

bool CLocalSubnets::IsOnLink(quint32 address) const
{
    return std::any_of(m_subnets.begin(), m_subnets.end(), [address](const SSubnet& s) { return Contains(s, address); });
}

bool CLocalSubnets::UsesArp(quint32 address) const
{
    // An address on two links is reached through either, so the table may hold an entry for it.
    return std::any_of(m_subnets.begin(), m_subnets.end(), [address](const SSubnet& s) { return s.arp && Contains(s, address); });
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
