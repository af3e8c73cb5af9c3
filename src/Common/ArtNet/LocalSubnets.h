#pragma once

#include <QVector>
#include <QtGlobal>

// The IPv4 subnets of this machine's network interfaces, and the address a
// poll reply may have its DMX sent to. A reply is one datagram nobody vouches
// for: taken as written, its address field would let one forged reply point
// the whole output at any host, this machine included.
class CLocalSubnets
{
public:
    struct SSubnet {
        int interfaceIndex = 0;
        quint32 address = 0; // this machine's own address there, IPv4 host order
        int prefixLength = 0;
        // Its link resolves neighbours by ARP; a tunnel or a link with ARP
        // turned off lists none, and every address there is reached as it is.
        bool arp = true;
        bool operator==(const SSubnet& o) const
        {
            return interfaceIndex == o.interfaceIndex && address == o.address && prefixLength == o.prefixLength
                && arp == o.arp;
        }
    };

    // Reads the subnets of every interface; true when they changed since
    // the last reading.
    bool Refresh();
    void Set(const QVector<SSubnet>& subnets) { m_subnets = subnets; }
    const QVector<SSubnet>& Subnets() const { return m_subnets; }

    // Whether a reply that came from `sender` on interface `interfaceIndex`
    // (0: not known) may name `named` as its node: its own address, another
    // host of the subnet it came in on, or, from this machine only, one of
    // this machine's own addresses (a visualiser answering for itself).
    // Never a subnet's network or broadcast address.
    bool MayName(quint32 named, quint32 sender, int interfaceIndex) const;
    // Whether `address` is this machine's: the loopback or one of its interfaces'.
    bool IsOwn(quint32 address) const;
    // Whether `address` is on one of this machine's links, reached without a router.
    bool IsOnLink(quint32 address) const;
    // Whether sending to `address` takes an entry of the neighbour table:
    // it is on one of this machine's links, and that link uses ARP.
    bool UsesArp(quint32 address) const;

private:
    QVector<SSubnet> m_subnets;
};
