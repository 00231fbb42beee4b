// An event-driven TCP/UDP socket over Windows Sockets 1.1: name lookups, connecting, buffered
// sending, receiving and closing, with every notification arriving as a window message on the
// thread that made the socket.
#pragma once

#include "plugins/netload/NotifyWindow.h"
#include "plugins/netload/SendQueue.h"
#include "plugins/netload/SocketError.h"

#include <winsock.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace netload {

enum class TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

enum class TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// The window messages of a socket: its socket events, and the completions of a name lookup
// and of a reverse lookup. A locally closed session is reported through the fourth.
enum : UINT {
    WM_ASYNCSELECT = WM_USER,
    WM_ASYNCGETHOSTBYNAME = WM_USER + 1,
    WM_ASYNCGETHOSTBYADDR = WM_USER + 2,
    WM_CLOSE_DELAYED = WM_USER + 3,
};

// The socket events a socket registers for (read, write, accept, connect and close).
inline constexpr long kSocketEventMask = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
static_assert(kSocketEventMask == 59);

class TWSocket {
public:
    TWSocket();
    TWSocket(const TWSocket&) = delete;
    TWSocket& operator=(const TWSocket&) = delete;
    // Cancels a pending lookup and closes the socket, without firing events.
    ~TWSocket();

    // Where to connect: a dotted address or a host name, a port number or service name, and
    // "tcp" or "udp" (or a protocol number).
    const std::string& Addr() const { return addr_; }
    void SetAddr(const std::string& value) { addr_ = value; }
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value) { port_ = value; }
    const std::string& Proto() const { return proto_; }
    void SetProto(const std::string& value) { proto_ = value; }
    // "0.0.0.0" binds to any local address; an empty or "0" port to any port.
    const std::string& LocalAddr() const { return localAddr_; }
    void SetLocalAddr(const std::string& value) { localAddr_ = value; }
    const std::string& LocalPort() const { return localPort_; }
    void SetLocalPort(const std::string& value) { localPort_ = value; }
    TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
    void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
    int LingerTimeout() const { return lingerTimeout_; }
    void SetLingerTimeout(int seconds) { lingerTimeout_ = seconds; }
    bool MultiThreaded() const { return multiThreaded_; }
    void SetMultiThreaded(bool value) { multiThreaded_ = value; }
    // Size of each send buffer; zero or less means 1514.
    int BufSize() const { return sendQueue_.BufferSize(); }
    void SetBufSize(int value) { sendQueue_.SetBufferSize(value); }

    TSocketState State() const { return state_; }
    SOCKET HSocket() const { return handle_; }
    int LastError() const { return lastError_; }
    // Bytes accepted by Send and not yet handed to the system.
    size_t BufferedByteCount() const { return sendQueue_.ByteCount(); }

    // Resolves a host name. A dotted address is taken as it is and reported done before the call
    // returns; a name is looked up in the background. An empty name raises and reports the lookup
    // failed with 10022.
    void DnsLookup(const std::string& hostName);
    void CancelDnsLookup();
    // Looks up the name of a dotted address in the background.
    void ReverseDnsLookup(const std::string& address);
    // The first address (or name, after a reverse lookup) found, and all of them.
    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }

    // Starts a non-blocking connect; raises ESocketException when it cannot even start.
    void Connect();
    // Queues the bytes and sends what the system takes now; -1 when the socket is not connected.
    int Send(const void* data, int length);
    int SendStr(const std::string& text) { return Send(text.data(), static_cast<int>(text.size())); }
    // Reads what has arrived, up to length bytes; 0 when nothing is waiting, -1 on an error.
    int Receive(void* buffer, int length);
    // Bytes waiting to be read.
    int RcvdCount();
    // Closes the socket; OnSessionClosed(0) follows through the message queue.
    void Close();

    std::function<void(TSocketState oldState, TSocketState newState)> OnChangeState;
    std::function<void(WORD error)> OnDnsLookupDone;
    std::function<void(WORD error)> OnSessionConnected;
    std::function<void(WORD error)> OnDataAvailable;
    std::function<void(WORD error)> OnDataSent;
    std::function<void(WORD error)> OnSessionClosed;

private:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void SocketEvent(WORD event, WORD error);
    void LookupDone(WPARAM task, LPARAM reply, bool reverse);
    // rounds <= 0: until nothing is left.
    void DeliverPendingData(WORD error, int rounds);
    void TryToSend();
    void ChangeState(TSocketState state);
    // Closes the handle; notify posts OnSessionClosed with the error.
    void CloseHandle(WORD error, bool notify);
    [[noreturn]] void RaiseSocketError(const std::string& what, int error);
    unsigned long ResolveAddress(const std::string& address, const char* what);
    unsigned short ResolvePort(const std::string& port, const char* what);
    int ResolveProto(bool& datagram);

    std::unique_ptr<TNotifyWindow> window_;
    SOCKET handle_ = INVALID_SOCKET;
    TSocketState state_ = TSocketState::wsClosed;
    std::string addr_, port_, proto_ = "tcp";
    std::string localAddr_ = "0.0.0.0", localPort_ = "0";
    TSocketLingerOnOff lingerOnOff_ = TSocketLingerOnOff::wsLingerOff;
    int lingerTimeout_ = 0;
    bool multiThreaded_ = false;
    int lastError_ = 0;
    TSendQueue sendQueue_;
    // A background lookup: its task handle and the buffer the system fills.
    HANDLE lookupTask_ = nullptr;
    std::unique_ptr<char[]> lookupBuffer_;
    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;
    // Set when the handler of a data notification read something, so a handler that stops
    // reading does not keep the delivery loop spinning.
    bool readSomething_ = false;
    bool closeNotified_ = false;
};

} // namespace netload
