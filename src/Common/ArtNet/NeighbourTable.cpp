#include "Common/ArtNet/NeighbourTable.h"

#include <QFile>
#include <QHostAddress>
#include <QList>

namespace {

// The default table holds 1,024 entries of some 80 bytes each.
constexpr qint64 kMaxTableBytes = 1 << 20;
// "Complete" in the table's flags: the entry holds the address's hardware address.
constexpr uint kCompleteFlag = 0x2;

} // namespace

bool CNeighbourTable::Refresh()
{
    QFile file(QStringLiteral("/proc/net/arp"));
    if (!file.open(QIODevice::ReadOnly)) {
        m_states.clear();
        m_readable = false;
        return false;
    }
    // The file is generated as it is read, so its size is unknown beforehand.
    Parse(file.read(kMaxTableBytes));
    return true;
}

void CNeighbourTable::Parse(const QByteArray& text)
{
    m_states.clear();
    m_readable = true;
    const QList<QByteArray> lines = text.split('\n');
    // The first line names the columns: address, hardware type, flags, ...
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 3)
            continue;
        bool ipv4 = false;
        const quint32 address = QHostAddress(QString::fromLatin1(fields[0])).toIPv4Address(&ipv4);
        bool hex = false;
        const uint flags = fields[2].toUInt(&hex, 16);
        if (!ipv4 || !hex)
            continue;
        // An address with an entry on several links answers if it answers on one.
        EState& state = m_states[address];
        if (state != EState::Answered)
            state = flags & kCompleteFlag ? EState::Answered : EState::Unanswered;
    }
}
