#pragma once

#include <QtGlobal>

#include <memory>

class QUdpSocket;

// Datagrams that go out together: on Linux in one system call (sendmmsg)
// on the socket's own descriptor, elsewhere one by one through the socket.
// The batch only points at the bytes, which must live until Send returns;
// it allocates when reserved, never while it is filled and sent.
class CDatagramBatch
{
public:
    CDatagramBatch();
    ~CDatagramBatch();
    CDatagramBatch(const CDatagramBatch&) = delete;
    CDatagramBatch& operator=(const CDatagramBatch&) = delete;

    void Reserve(int count);
    int Capacity() const;
    void Clear();
    // Ignored once the reserved count is reached. `address` is IPv4, host order.
    void Add(const char* data, int size, quint32 address, quint16 port);

    // Sends every datagram added since Clear; returns how many went whole. A
    // datagram the batched call refuses is tried alone through the socket.
    int Send(QUdpSocket& socket);

private:
    struct SBuffers;
    std::unique_ptr<SBuffers> m_buffers;
};
