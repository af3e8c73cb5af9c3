#include "Common/ArtNet/DatagramBatch.h"

#include <QHostAddress>
#include <QUdpSocket>

#include <vector>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

struct CDatagramBatch::SBuffers
{
    struct SDatagram
    {
        const char* data;
        int size;
        quint32 address;
        quint16 port;
    };
    std::vector<SDatagram> datagrams;
    int count = 0;
#ifdef Q_OS_LINUX
    std::vector<mmsghdr> messages;
    std::vector<iovec> vectors;
    std::vector<sockaddr_in> addresses;
#endif
};

CDatagramBatch::CDatagramBatch() : m_buffers(new SBuffers) {}

CDatagramBatch::~CDatagramBatch() = default;

void CDatagramBatch::Reserve(int count)
{
    const size_t n = size_t(qMax(0, count));
    if (n <= m_buffers->datagrams.size())
        return;
    m_buffers->datagrams.resize(n);
#ifdef Q_OS_LINUX
    m_buffers->messages.resize(n);
    m_buffers->vectors.resize(n);
    m_buffers->addresses.resize(n);
#endif
}

int CDatagramBatch::Capacity() const
{
    return int(m_buffers->datagrams.size());
}

void CDatagramBatch::Clear()
{
    m_buffers->count = 0;
}

void CDatagramBatch::Add(const char* data, int size, quint32 address, quint16 port)
{
    if (m_buffers->count >= Capacity())
        return;
    m_buffers->datagrams[size_t(m_buffers->count++)] = {data, size, address, port};
}

namespace {

bool SendAlone(QUdpSocket& socket, const char* data, int size, quint32 address, quint16 port)
{
    return socket.writeDatagram(data, size, QHostAddress(address), port) == size;
}

} // namespace

int CDatagramBatch::Send(QUdpSocket& socket)
{
    SBuffers& b = *m_buffers;
    const int count = b.count;
    int sent = 0;
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    for (int i = 0; i < count; ++i) {
        const SBuffers::SDatagram& d = b.datagrams[size_t(i)];
        sockaddr_in& to = b.addresses[size_t(i)];
        to = sockaddr_in();
        to.sin_family = AF_INET;
        to.sin_port = htons(d.port);
        to.sin_addr.s_addr = htonl(d.address);
        b.vectors[size_t(i)] = {const_cast<char*>(d.data), size_t(d.size)};
        msghdr& header = b.messages[size_t(i)].msg_hdr;
        header = msghdr();
        header.msg_name = &to;
        header.msg_namelen = sizeof(to);
        header.msg_iov = &b.vectors[size_t(i)];
        header.msg_iovlen = 1;
    }
    int done = 0;
    while (fd >= 0 && done < count) {
        const int n = sendmmsg(fd, b.messages.data() + done, unsigned(count - done), 0);
        if (n > 0) {
            for (int i = done; i < done + n; ++i)
                sent += int(b.messages[size_t(i)].msg_len) == b.datagrams[size_t(i)].size ? 1 : 0;
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The first datagram left was refused: it goes alone, which reports
        // its failure as a single send would, and the batch goes on after it.
        const SBuffers::SDatagram& d = b.datagrams[size_t(done++)];
        sent += SendAlone(socket, d.data, d.size, d.address, d.port) ? 1 : 0;
    }
    if (fd >= 0)
        return sent;
#endif
    for (int i = 0; i < count; ++i) {
        const SBuffers::SDatagram& d = b.datagrams[size_t(i)];
        sent += SendAlone(socket, d.data, d.size, d.address, d.port) ? 1 : 0;
    }
    return sent;
}
