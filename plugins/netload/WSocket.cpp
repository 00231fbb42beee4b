#include "plugins/netload/WSocket.h"

#include "plugins/netload/WinsockLibrary.h"

#include <cctype>
#include <cstring>

namespace netload {

namespace {

bool IsDottedAddress(const std::string& s) {
    int dots = 0, digits = 0;
    for (char c : s) {
        if (c == '.') {
            if (digits == 0) return false;
            ++dots;
            digits = 0;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            if (++digits > 3) return false;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0;
}

bool IsNumber(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

const int kReadRoundsPerNotification = 16;

std::string ErrorText(const std::string& what, int error) {
    return what + " (#" + std::to_string(error) + ": " + WSocketErrorDesc(error) + ")";
}

std::string AddressText(const char* address) {
    in_addr a;
    std::memcpy(&a, address, sizeof a);
    return WSOCK_CALL(inet_ntoa)(a);
}

} // namespace

TWSocket::TWSocket() {
    window_ = std::make_unique<TNotifyWindow>(
        [this](UINT msg, WPARAM wParam, LPARAM lParam) { return HandleMessage(msg, wParam, lParam); });
    TWinsockLibrary::Instance().AddUser();
}

TWSocket::~TWSocket() {
    OnChangeState = nullptr;
    OnSessionClosed = nullptr;
    try {
        CancelDnsLookup();
        if (handle_ != INVALID_SOCKET) CloseHandle(0, false);
    } catch (...) {
        // The library went away underneath: nothing is left to release.
    }
    window_.reset();
    TWinsockLibrary::Instance().RemoveUser();
}

void TWSocket::ChangeState(TSocketState state) {
    TSocketState old = state_;
    state_ = state;
    if (old != state && OnChangeState) OnChangeState(old, state);
}

void TWSocket::RaiseSocketError(const std::string& what, int error) {
    lastError_ = error;
    throw ESocketException(ErrorText(what, error), error);
}

void TWSocket::DnsLookup(const std::string& hostName) {
    if (hostName.empty()) {
        lastError_ = WSAEINVAL;
        if (OnDnsLookupDone) OnDnsLookupDone(WSAEINVAL);
        throw ESocketException("DNS lookup: invalid host name.", WSAEINVAL);
    }
    CancelDnsLookup();
    dnsResult_.clear();
    dnsResultList_.clear();
    if (IsDottedAddress(hostName)) {
        dnsResult_ = hostName;
        dnsResultList_.push_back(hostName);
        if (OnDnsLookupDone) OnDnsLookupDone(0);
        return;
    }
    lookupBuffer_ = std::make_unique<char[]>(MAXGETHOSTSTRUCT);
    lookupTask_ = WSOCK_CALL(WSAAsyncGetHostByName)(window_->Handle(), WM_ASYNCGETHOSTBYNAME,
                                                    hostName.c_str(), lookupBuffer_.get(), MAXGETHOSTSTRUCT);
    if (!lookupTask_) {
        lastError_ = WSOCK_CALL(WSAGetLastError)();
        throw ESocketException(
            kovalin::Format("%s: can't start DNS lookup, error #%d", hostName.c_str(), lastError_),
            lastError_);
    }
}

void TWSocket::ReverseDnsLookup(const std::string& address) {
    CancelDnsLookup();
    dnsResult_.clear();
    dnsResultList_.clear();
    unsigned long a = WSOCK_CALL(inet_addr)(address.c_str());
    if (address.empty() || a == INADDR_NONE) {
        lastError_ = WSAEINVAL;
        throw ESocketException("Reverse DNS lookup: invalid address.", WSAEINVAL);
    }
    lookupBuffer_ = std::make_unique<char[]>(MAXGETHOSTSTRUCT);
    lookupTask_ = WSOCK_CALL(WSAAsyncGetHostByAddr)(window_->Handle(), WM_ASYNCGETHOSTBYADDR,
                                                    reinterpret_cast<const char*>(&a), sizeof a, PF_INET,
                                                    lookupBuffer_.get(), MAXGETHOSTSTRUCT);
    if (!lookupTask_) {
        lastError_ = WSOCK_CALL(WSAGetLastError)();
        throw ESocketException(
            kovalin::Format("%s: can't start reverse DNS lookup, error #%d", address.c_str(), lastError_),
            lastError_);
    }
}

void TWSocket::CancelDnsLookup() {
    if (!lookupTask_) return;
    HANDLE task = lookupTask_;
    lookupTask_ = nullptr;
    WSOCK_CALL(WSACancelAsyncRequest)(task);
    // A lookup already under way may still fill its buffer after the cancel (Wine's always does),
    // so a buffer handed to the system is never freed while its lookup may be running: it is
    // left to the system: a kilobyte per lookup cancelled while it ran. For the same reason the
    // socket library must never be unloaded under such a lookup, which may still be running in
    // its code when the last socket goes: it stays loaded for the rest of the process.
    (void)lookupBuffer_.release();
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "wsock32.dll", &pinned);
}

void TWSocket::LookupDone(WPARAM task, LPARAM reply, bool reverse) {
    // A completion of a lookup that was cancelled or replaced since.
    if (!lookupTask_ || reinterpret_cast<HANDLE>(task) != lookupTask_) return;
    lookupTask_ = nullptr;
    WORD error = WSAGETASYNCERROR(reply);
    if (error == 0) {
        const auto* host = reinterpret_cast<const hostent*>(lookupBuffer_.get());
        if (reverse) {
            if (host->h_name) dnsResultList_.push_back(host->h_name);
            for (char** alias = host->h_aliases; alias && *alias; ++alias)
                dnsResultList_.push_back(*alias);
        } else if (host->h_addrtype == AF_INET && host->h_length == 4) {
            for (char** a = host->h_addr_list; a && *a; ++a)
                dnsResultList_.push_back(AddressText(*a));
        }
        if (!dnsResultList_.empty())
            dnsResult_ = dnsResultList_.front();
        else
            error = WSANO_DATA;
    }
    lastError_ = error;
    if (OnDnsLookupDone) OnDnsLookupDone(error);
}

unsigned long TWSocket::ResolveAddress(const std::string& address, const char* what) {
    if (address.empty() || address == "0.0.0.0") return INADDR_ANY;
    if (IsDottedAddress(address)) {
        unsigned long a = WSOCK_CALL(inet_addr)(address.c_str());
        if (a != INADDR_NONE || address == "255.255.255.255") return a;
        RaiseSocketError(std::string(what) + ": invalid address " + address, WSAEINVAL);
    }
    const hostent* host = WSOCK_CALL(gethostbyname)(address.c_str());
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
        RaiseSocketError(std::string(what) + ": " + WSocketErrorDesc(WSOCK_CALL(WSAGetLastError)()),
                         WSOCK_CALL(WSAGetLastError)());
    unsigned long a;
    std::memcpy(&a, host->h_addr_list[0], sizeof a);
    return a;
}

unsigned short TWSocket::ResolvePort(const std::string& port, const char* what) {
    if (port.empty()) return 0;
    if (IsNumber(port)) {
        unsigned long n = std::stoul(port.size() > 6 ? std::string("999999") : port);
        if (n > 65535) RaiseSocketError(std::string(what) + ": invalid port " + port, WSAEINVAL);
        return WSOCK_CALL(htons)(static_cast<unsigned short>(n));
    }
    const servent* service = WSOCK_CALL(getservbyname)(port.c_str(), proto_.c_str());
    if (!service) {
        int err = WSOCK_CALL(WSAGetLastError)();
        RaiseSocketError(std::string(what) + ": " + WSocketErrorDesc(err), err);
    }
    return static_cast<unsigned short>(service->s_port);
}

int TWSocket::ResolveProto(bool& datagram) {
    std::string p;
    for (char c : proto_)
        p += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (p == "tcp" || p == "6") {
        datagram = false;
        return IPPROTO_TCP;
    }
    if (p == "udp" || p == "17") {
        datagram = true;
        return IPPROTO_UDP;
    }
    const protoent* proto = IsNumber(p) ? WSOCK_CALL(getprotobynumber)(std::stoi(p.substr(0, 4)))
                                        : WSOCK_CALL(getprotobyname)(p.c_str());
    if (!proto) {
        int err = WSOCK_CALL(WSAGetLastError)();
        RaiseSocketError("connect: " + WSocketErrorDesc(err), err);
    }
    datagram = proto->p_proto == IPPROTO_UDP;
    return proto->p_proto;
}

void TWSocket::Connect() {
    if (handle_ != INVALID_SOCKET && state_ != TSocketState::wsClosed)
        RaiseSocketError("Connect: Socket already in use", WSAEISCONN);
    if (port_.empty()) RaiseSocketError("Connect: No Port Specified", WSAEINVAL);
    if (addr_.empty()) RaiseSocketError("Connect: No IP Address Specified", WSAEDESTADDRREQ);
    if (proto_.empty()) RaiseSocketError("Connect: No Protocol Specified", WSAEINVAL);

    bool datagram = false;
    int proto = ResolveProto(datagram);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = ResolvePort(port_, "connect");
    remote.sin_addr.s_addr = ResolveAddress(addr_, "connect");
    unsigned short localPort = ResolvePort(localPort_, "connect");
    unsigned long localAddr = ResolveAddress(localAddr_, "connect");

    if (handle_ != INVALID_SOCKET) CloseHandle(0, false);
    handle_ = WSOCK_CALL(socket)(PF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, proto);
    if (handle_ == INVALID_SOCKET) RaiseSocketError("Connect (socket)", WSOCK_CALL(WSAGetLastError)());
    closeNotified_ = false;
    sendQueue_.Clear();
    ChangeState(TSocketState::wsOpened);

    try {
        if (!datagram) {
            if (localPort != 0 || localAddr != INADDR_ANY) {
                sockaddr_in local{};
                local.sin_family = AF_INET;
                local.sin_port = localPort;
                local.sin_addr.s_addr = localAddr;
                if (WSOCK_CALL(bind)(handle_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
                    RaiseSocketError("Connect (bind)", WSOCK_CALL(WSAGetLastError)());
                ChangeState(TSocketState::wsBound);
            }
            if (lingerOnOff_ != TSocketLingerOnOff::wsLingerNoSet) {
                linger l{};
                l.l_onoff = lingerOnOff_ == TSocketLingerOnOff::wsLingerOn ? 1 : 0;
                l.l_linger = static_cast<u_short>(lingerTimeout_);
                WSOCK_CALL(setsockopt)
                (handle_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
            }
            BOOL on = TRUE;
            WSOCK_CALL(setsockopt)
            (handle_, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
            WSOCK_CALL(setsockopt)
            (handle_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
        }
        if (WSOCK_CALL(WSAAsyncSelect)(handle_, window_->Handle(), WM_ASYNCSELECT, kSocketEventMask) != 0)
            RaiseSocketError("Connect (WSAAsyncSelect)", WSOCK_CALL(WSAGetLastError)());
        if (WSOCK_CALL(connect)(handle_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
            int err = WSOCK_CALL(WSAGetLastError)();
            if (err != WSAEWOULDBLOCK) RaiseSocketError("Connect", err);
        }
    } catch (...) {
        CloseHandle(0, false);
        throw;
    }
    ChangeState(TSocketState::wsConnecting);
}

int TWSocket::Send(const void* data, int length) {
    if (state_ != TSocketState::wsConnected) {
        lastError_ = WSAENOTCONN;
        return -1;
    }
    if (length <= 0) return 0;
    sendQueue_.Append(data, static_cast<size_t>(length));
    TryToSend();
    // Everything went at once: the data-sent event still comes through the queue, as from the
    // system, so a caller is never called back from inside its own Send.
    if (sendQueue_.Empty() && state_ == TSocketState::wsConnected)
        window_->Post(WM_ASYNCSELECT, handle_, WSAMAKESELECTREPLY(FD_WRITE, 0));
    return length;
}

void TWSocket::TryToSend() {
    while (!sendQueue_.Empty() && handle_ != INVALID_SOCKET) {
        int n = WSOCK_CALL(send)(handle_, sendQueue_.Front(), static_cast<int>(sendQueue_.FrontLength()), 0);
        if (n > 0) {
            sendQueue_.Consume(static_cast<size_t>(n));
            continue;
        }
        int err = WSOCK_CALL(WSAGetLastError)();
        if (err == WSAEWOULDBLOCK) return; // the next write notification goes on
        lastError_ = err;
        if (err == WSAEINVAL || err == WSAENOTSOCK || err == WSAECONNABORTED || err == WSAECONNRESET ||
            err == WSAENOTCONN) {
            CloseHandle(static_cast<WORD>(err), true);
            return;
        }
        RaiseSocketError("TryToSend failed", err);
    }
}

int TWSocket::Receive(void* buffer, int length) {
    if (handle_ == INVALID_SOCKET || length <= 0) return 0;
    int n = WSOCK_CALL(recv)(handle_, static_cast<char*>(buffer), length, 0);
    if (n < 0) {
        int err = WSOCK_CALL(WSAGetLastError)();
        if (err == WSAEWOULDBLOCK) return 0;
        lastError_ = err;
        return -1;
    }
    if (n > 0) readSomething_ = true;
    return n;
}

int TWSocket::RcvdCount() {
    if (handle_ == INVALID_SOCKET) return 0;
    u_long n = 0;
    if (WSOCK_CALL(ioctlsocket)(handle_, FIONREAD, &n) != 0) return 0;
    return static_cast<int>(n);
}

void TWSocket::Close() {
    if (handle_ == INVALID_SOCKET) {
        ChangeState(TSocketState::wsClosed);
        return;
    }
    CloseHandle(0, true);
}

void TWSocket::CloseHandle(WORD error, bool notify) {
    if (handle_ != INVALID_SOCKET) {
        SOCKET h = handle_;
        handle_ = INVALID_SOCKET;
        WSOCK_CALL(WSAAsyncSelect)(h, window_->Handle(), 0, 0);
        WSOCK_CALL(closesocket)(h);
        sendQueue_.Clear();
        if (notify && !closeNotified_) {
            closeNotified_ = true;
            window_->Post(WM_CLOSE_DELAYED, error, 0);
        }
    }
    ChangeState(TSocketState::wsClosed);
}

void TWSocket::DeliverPendingData(WORD error, int rounds) {
    // The handler reads; keep handing it the notification while the socket holds unread bytes
    // and the handler still takes some. A read notification hands over a bounded share, so that
    // a fast sender cannot keep the message loop (and the user's Cancel) waiting. What is left
    // then is taken up by a read notification of our own, behind the messages now waiting.
    for (int round = 0;; ++round) {
        if (rounds > 0 && round == rounds) {
            window_->Post(WM_ASYNCSELECT, handle_, WSAMAKESELECTREPLY(FD_READ, 0));
            return;
        }
        readSomething_ = false;
        if (OnDataAvailable) {
            OnDataAvailable(error);
        } else {
            char discard[1024];
            Receive(discard, sizeof discard);
        }
        if (handle_ == INVALID_SOCKET || !readSomething_ || RcvdCount() <= 0) return;
    }
}

void TWSocket::SocketEvent(WORD event, WORD error) {
    switch (event) {
    case FD_CONNECT:
        if (state_ != TSocketState::wsConnecting) return;
        if (error == 0) ChangeState(TSocketState::wsConnected);
        lastError_ = error;
        if (OnSessionConnected) OnSessionConnected(error);
        if (error != 0 && handle_ != INVALID_SOCKET) CloseHandle(error, false);
        break;
    case FD_READ:
        DeliverPendingData(error, kReadRoundsPerNotification);
        break;
    case FD_WRITE:
        if (!sendQueue_.Empty()) TryToSend();
        if (sendQueue_.Empty() && handle_ != INVALID_SOCKET && OnDataSent) OnDataSent(error);
        break;
    case FD_CLOSE: {
        DeliverPendingData(error, 0);          // everything that is left, before the session ends
        if (handle_ == INVALID_SOCKET) return; // the receiver closed it meanwhile
        closeNotified_ = true;
        CloseHandle(error, false);
        if (OnSessionClosed) OnSessionClosed(error);
        break;
    }
    default:
        break;
    }
}

bool TWSocket::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ASYNCSELECT:
        // Notifications of an earlier handle still in the queue are not ours any more.
        if (static_cast<SOCKET>(wParam) != handle_ || handle_ == INVALID_SOCKET) return true;
        try {
            SocketEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
        } catch (const ESocketException& e) {
            // A failure inside a notification has no caller to go to: the session ends with it.
            if (handle_ != INVALID_SOCKET)
                CloseHandle(static_cast<WORD>(e.ErrorCode() ? e.ErrorCode() : WSAENOTSOCK), true);
        }
        return true;
    case WM_ASYNCGETHOSTBYNAME:
    case WM_ASYNCGETHOSTBYADDR:
        LookupDone(wParam, lParam, msg == WM_ASYNCGETHOSTBYADDR);
        return true;
    case WM_CLOSE_DELAYED:
        if (OnSessionClosed) OnSessionClosed(static_cast<WORD>(wParam));
        return true;
    }
    return false;
}

} // namespace netload
