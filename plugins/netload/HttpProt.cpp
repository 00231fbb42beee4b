#include "plugins/netload/HttpProt.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace netload {

namespace {

enum : UINT {
    WM_HTTP_REQUEST_DONE = WM_USER + 10,
    WM_HTTP_RELOCATE = WM_USER + 11,
};

const char* MethodName(THttpRequest rq) {
    switch (rq) {
    case THttpRequest::httpPOST:
        return "POST";
    case THttpRequest::httpHEAD:
        return "HEAD";
    default:
        return "GET";
    }
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() >= n && LowerCase(s.substr(s.size() - n)) == suffix;
}

std::string ErrorWithNumber(int error) {
    return WSocketErrorDesc(error) + " (Error #" + std::to_string(error) + ")";
}

} // namespace

THttpCli::THttpCli() : buffer_(kReceiveBufferSize + 1) {
    socket_ = std::make_unique<TWSocket>();
    window_ = std::make_unique<TNotifyWindow>(
        [this](UINT msg, WPARAM wParam, LPARAM lParam) { return HandleMessage(msg, wParam, lParam); });
    socket_->OnDnsLookupDone = [this](WORD e) { Guarded([&] { DnsLookupDone(e); }); };
    socket_->OnSessionConnected = [this](WORD e) { Guarded([&] { SessionConnected(e); }); };
    socket_->OnDataAvailable = [this](WORD e) { Guarded([&] { DataAvailable(e); }); };
    socket_->OnDataSent = [this](WORD e) { Guarded([&] { DataSent(e); }); };
    socket_->OnSessionClosed = [this](WORD e) { Guarded([&] { SessionClosed(e); }); };
}

THttpCli::~THttpCli() {
    // The socket goes first: nothing it still has to say may reach a half-destroyed client.
    socket_.reset();
    window_.reset();
}

// Every step that runs from a notification ends here when it fails: the failure ends the
// request instead of leaving through the message loop of whoever pumps it.
template <typename F> void THttpCli::Guarded(F&& step) {
    try {
        step();
        return;
    } catch (const EHttpException& e) {
        Fail(e.ErrorCode(), e.what());
        return;
    } catch (const ESocketException& e) {
        if (statusCode_ == 0 || state_ < THttpState::httpWaitingHeader) statusCode_ = 404;
        Fail(e.ErrorCode() ? static_cast<WORD>(e.ErrorCode()) : WORD{httperrAborted}, e.what());
        return;
    } catch (const std::exception& e) {
        Fail(httperrAborted, e.what());
        return;
    } catch (...) {
    }
    Fail(httperrAborted, "Request aborted");
}

void THttpCli::Fail(WORD error, const std::string& reason) {
    try {
        reasonPhrase_ = reason;
        EndRequest(error);
    } catch (...) {
        // A handler of the request's last events failed too; the request has ended regardless.
        ending_ = true;
        window_->Post(WM_HTTP_REQUEST_DONE);
    }
}

void THttpCli::SetState(THttpState state) {
    if (state_ == state) return;
    state_ = state;
    if (OnStateChange) OnStateChange();
}

void THttpCli::ResetResults() {
    headerLines_.clear();
    authenticate_.clear();
    statusCode_ = 0;
    reasonPhrase_.clear();
    receivedCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    headerStarted_ = docStarted_ = docEnded_ = bodyComplete_ = false;
    relocating_ = false;
    newLocation_.clear();
    bufferUsed_ = 0;
}

void THttpCli::StartRequest(THttpRequest rq) {
    if (state_ != THttpState::httpReady) throw EHttpException("HTTP component is busy", httperrBusy);
    if (rq == THttpRequest::httpPOST && !PostSource)
        throw EHttpException("HTTP component has nothing to post", httperrNoData);
    requestType_ = rq;
    ResetResults();
    requestDoneError_ = 0;
    ending_ = false;
    sending_ = false;
    relocations_ = 0;
    SetState(THttpState::httpNotConnected);
    location_ = RequestUrl;
    socket_->SetMultiThreaded(MultiThreaded);
    Guarded([&] {
        SetTarget(RequestUrl);
        LookupHost();
    });
}

void THttpCli::SetTarget(const std::string& url) {
    TUrlParts given = ParseURL(url);
    TUrlParts parts = WithDefaults(given);
    proto_ = parts.proto;
    hostName_ = parts.host;
    port_ = parts.port;
    targetPort_ = given.port;
    path_ = parts.path;
    if (!given.user.empty()) {
        Username = given.user;
        Password = given.pass;
    }
    docName_ = DocumentNameOf(given.path);
    if (Proxy.empty()) {
        connectHost_ = hostName_;
        connectPort_ = port_;
    } else {
        // Through a proxy the request names the whole address.
        path_ = BuildURL(proto_, hostName_, targetPort_, parts.path);
        TUrlParts proxy = ParseURL(Proxy);
        connectHost_ = proxy.host;
        connectPort_ = proxy.port.empty() ? ProxyPort : proxy.port;
    }
}

void THttpCli::LookupHost() {
    SetState(THttpState::httpDnsLookup);
    try {
        socket_->DnsLookup(connectHost_);
    } catch (const ESocketException& e) {
        // An empty name has already been reported as a failed lookup.
        if (ending_) return;
        statusCode_ = 404;
        Fail(e.ErrorCode() ? static_cast<WORD>(e.ErrorCode()) : WORD{httperrAborted},
             "can't resolve hostname to IP address");
    }
}

void THttpCli::EndRequest(WORD error) {
    if (ending_) return;
    ending_ = true;
    if (requestDoneError_ == 0) requestDoneError_ = error;
    relocating_ = false;
    sending_ = false;
    socket_->Close();
    window_->Post(WM_HTTP_REQUEST_DONE);
    FinishBody();
}

void THttpCli::Abort() {
    if (state_ == THttpState::httpReady || ending_) return;
    Fail(httperrAborted, "Request aborted");
}

void THttpCli::DnsLookupDone(WORD error) {
    if (state_ != THttpState::httpDnsLookup || ending_) return;
    if (error != 0) {
        statusCode_ = 404;
        reasonPhrase_ = "can't resolve hostname to IP address";
        EndRequest(error);
        return;
    }
    SetState(THttpState::httpDnsLookupDone);
    socket_->SetAddr(socket_->DnsResult());
    socket_->SetPort(connectPort_);
    socket_->SetProto("tcp");
    try {
        socket_->Connect();
    } catch (const ESocketException& e) {
        int code = e.ErrorCode() ? e.ErrorCode() : int{httperrAborted};
        statusCode_ = 404;
        reasonPhrase_ = "can't connect: " + ErrorWithNumber(code);
        EndRequest(static_cast<WORD>(code));
    }
}

void THttpCli::SessionConnected(WORD error) {
    if (ending_) return;
    if (error != 0) {
        statusCode_ = 404;
        reasonPhrase_ = ErrorWithNumber(error);
        EndRequest(error);
        return;
    }
    SetState(THttpState::httpConnected);
    if (OnSessionConnected) OnSessionConnected();
    SetState(THttpState::httpWaitingHeader);
    SendRequest();
}

void THttpCli::SendRequest() {
    std::vector<std::string> lines;
    lines.push_back(std::string(MethodName(requestType_)) + " " + path_ + " HTTP/1.0");
    if (!Sender.empty()) lines.push_back("From: " + Sender);
    if (!Accept.empty()) lines.push_back("Accept: " + Accept);
    if (!Reference.empty()) lines.push_back("Referer: " + Reference);
    if (requestType_ == THttpRequest::httpPOST && !ContentTypePost.empty())
        lines.push_back("Content-Type: " + ContentTypePost);
    if (!Agent.empty()) lines.push_back("User-Agent: " + Agent);
    lines.push_back("Host: " + hostName_);
    if (NoCache) lines.push_back("Pragma: no-cache");
    if (requestType_ == THttpRequest::httpPOST)
        lines.push_back("Content-Length: " + std::to_string(PostSource->Size()));
    if (ModifiedSince != 0)
        lines.push_back("If-Modified-Since: " + FormatRequestDate(ModifiedSince) + " GMT");
    if (!Username.empty()) lines.push_back("Authorization: Basic " + EncodeBase64(Username + ":" + Password));
    if (!Proxy.empty() && !ProxyUsername.empty())
        lines.push_back("Proxy-Authorization: Basic " + EncodeBase64(ProxyUsername + ":" + ProxyPassword));
    if (!Cookie.empty()) lines.push_back("Cookie: " + Cookie);
    if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
        lines.push_back("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }

    acceptRanges_.clear();
    if (OnRequestHeaderBegin) OnRequestHeaderBegin();
    std::string text;
    for (std::string& line : lines) {
        if (OnCommand) OnCommand(line);
        // A line the handler emptied goes altogether: a blank line would end the header early.
        if (line.empty()) continue;
        text += line;
        text += "\r\n";
    }
    text += "\r\n";
    if (OnRequestHeaderEnd) OnRequestHeaderEnd();
    socket_->SendStr(text);

    if (requestType_ == THttpRequest::httpPOST) {
        PostSource->SetPosition(0);
        sending_ = true;
        if (OnSendBegin) OnSendBegin();
    }
}

void THttpCli::DataSent(WORD) {
    if (sending_ && !ending_) SendNextPostPiece();
}

void THttpCli::SendNextPostPiece() {
    postPiece_.resize(kReceiveBufferSize + 1);
    size_t n = PostSource->Read(postPiece_.data(), postPiece_.size());
    if (n == 0) {
        sending_ = false;
        if (OnSendEnd) OnSendEnd();
        return;
    }
    socket_->Send(postPiece_.data(), static_cast<int>(n));
    if (OnSendData) OnSendData(postPiece_.data(), static_cast<int>(n));
}

void THttpCli::DataAvailable(WORD) {
    if (!ending_ && !relocating_) ReceiveData();
}

void THttpCli::ReceiveData() {
    if (state_ == THttpState::httpWaitingBody) {
        // Body bytes need no line assembly: they are read in large pieces straight from the
        // socket, since every read costs a round trip to the system.
        if (bodyBuffer_.empty()) bodyBuffer_.resize(kBodyReadSize);
        int n = socket_->Receive(bodyBuffer_.data(), kBodyReadSize);
        if (n > 0) BodyData(bodyBuffer_.data(), static_cast<size_t>(n));
        if (n < 0) ReceiveFailed();
        return;
    }
    if (bufferUsed_ >= static_cast<size_t>(kReceiveBufferSize))
        throw EHttpException("HTTP line too long", httperrOverflow);
    int n =
        socket_->Receive(buffer_.data() + bufferUsed_, kReceiveBufferSize - static_cast<int>(bufferUsed_));
    if (n < 0) ReceiveFailed();
    if (n <= 0) return;
    bufferUsed_ += static_cast<size_t>(n);
    buffer_[bufferUsed_] = 0;

    size_t start = 0;
    while (state_ != THttpState::httpWaitingBody && !ending_ && !relocating_) {
        auto* lf = static_cast<char*>(std::memchr(buffer_.data() + start, '\n', bufferUsed_ - start));
        if (!lf) break;
        size_t end = static_cast<size_t>(lf - buffer_.data());
        size_t length = end - start;
        if (length > 0 && buffer_[end - 1] == '\r') --length;
        size_t lineStart = start;
        start = end + 1;
        HeaderLine(buffer_.data() + lineStart, length, start - lineStart);
    }
    if (ending_ || relocating_) {
        bufferUsed_ = 0;
        return;
    }
    size_t rest = bufferUsed_ - start;
    if (state_ == THttpState::httpWaitingBody) {
        // What came after the header is the start of the body.
        bufferUsed_ = 0;
        if (rest > 0) {
            std::vector<char> body(buffer_.begin() + static_cast<ptrdiff_t>(start),
                                   buffer_.begin() + static_cast<ptrdiff_t>(start + rest));
            BodyData(body.data(), body.size());
        }
        return;
    }
    std::memmove(buffer_.data(), buffer_.data() + start, rest);
    bufferUsed_ = rest;
    if (bufferUsed_ >= static_cast<size_t>(kReceiveBufferSize))
        throw EHttpException("HTTP line too long", httperrOverflow);
}

// A connection reset shows in the read; the close that follows may not carry it.
void THttpCli::ReceiveFailed() {
    int error = socket_->LastError();
    reasonPhrase_ = ErrorWithNumber(error);
    EndRequest(static_cast<WORD>(error ? error : int{httperrAborted}));
}

void THttpCli::HeaderLine(const char* data, size_t length, size_t rawLength) {
    if (!headerStarted_) {
        headerStarted_ = true;
        if (OnHeaderBegin) OnHeaderBegin();
    }
    std::string line(data, length);
    if (line.size() >= 6 && LowerCase(line.substr(0, 6)) == "<html>") {
        // No header at all: the document starts right here, line end included.
        if (contentType_.empty()) contentType_ = "text/html";
        SetState(THttpState::httpWaitingBody);
        if (OnHeaderEnd) OnHeaderEnd();
        std::vector<char> first(data, data + rawLength);
        BodyData(first.data(), first.size());
        return;
    }
    if (line.empty()) {
        HeaderEnded();
        return;
    }
    headerLines_.push_back(line);
    if (StartsWith(line, "HTTP/1.0") || StartsWith(line, "HTTP/1.1")) {
        statusCode_ = static_cast<int32_t>(ParseNumber(line.size() > 9 ? line.substr(9, 3) : "", "status"));
        reasonPhrase_ = line.size() > 13 ? line.substr(13) : std::string();
    } else if (line.find(':') != std::string::npos) {
        HeaderField(line);
    }
    if (OnHeaderData) OnHeaderData();
    // An error status ends the response here; its body is not wanted.
    if (statusCode_ > 399) EndRequest(0);
}

void THttpCli::HeaderField(const std::string& line) {
    size_t colon = line.find(':');
    std::string name = LowerCase(line.substr(0, colon));
    size_t v = line.find_first_not_of(' ', colon + 1);
    std::string value = v == std::string::npos ? std::string() : line.substr(v);
    if (name == "location") {
        // Followed when the header has ended, so the rest of it is still read.
        newLocation_ = value;
    } else if (name == "content-length") {
        contentLength_ = ParseNumber(value, "content-length");
    } else if (name == "content-range") {
        size_t dash = value.find('-');
        size_t slash = value.find('/', dash == std::string::npos ? 0 : dash);
        if (value.size() > 6 && dash != std::string::npos && dash >= 6) {
            ContentRangeBegin = value.substr(6, dash - 6);
            ContentRangeEnd =
                value.substr(dash + 1, slash == std::string::npos ? std::string::npos : slash - dash - 1);
        }
    } else if (name == "accept-ranges") {
        acceptRanges_ = value;
    } else if (name == "content-type") {
        contentType_ = LowerCase(value);
    } else if (name == "www-authenticate") {
        authenticate_.push_back(value);
    } else if (name == "set-cookie") {
        bool accept = true;
        if (OnCookie) OnCookie(value, accept);
    }
}

void THttpCli::HeaderEnded() {
    if (!newLocation_.empty()) {
        // Another request for the new place follows once this connection has closed.
        if (OnHeaderEnd) OnHeaderEnd();
        receivedCount_ = 0;
        contentLength_ = -1;
        relocating_ = true;
        bufferUsed_ = 0;
        socket_->Close();
        return;
    }
    if (EndsWithNoCase(docName_, ".exe") && contentType_ == "text/html")
        docName_ = docName_.substr(0, docName_.size() - 4) + ".htm";
    SetState(THttpState::httpWaitingBody);
    if (OnHeaderEnd) OnHeaderEnd();
    // Responses that carry no body are whole already.
    if (requestType_ == THttpRequest::httpHEAD || contentLength_ == 0 || statusCode_ == 204 ||
        statusCode_ == 304) {
        bodyComplete_ = true;
        EndRequest(0);
    }
}

void THttpCli::BodyData(const char* data, size_t length) {
    if (length == 0 || ending_) return;
    if (contentLength_ >= 0) {
        // Bytes past the announced length are not part of the document.
        int64_t left = contentLength_ - receivedCount_;
        if (left <= 0) return;
        length = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(length)));
    }
    if (!docStarted_) {
        docStarted_ = true;
        if (OnDocBegin) OnDocBegin();
    }
    receivedCount_ += static_cast<int64_t>(length);
    if (BodySink) BodySink->WriteBuffer(data, length);
    if (OnDocData) OnDocData(data, static_cast<int>(length));
    if (contentLength_ >= 0 && receivedCount_ >= contentLength_) {
        bodyComplete_ = true;
        EndRequest(0);
    }
}

void THttpCli::FinishBody() {
    if (!docStarted_ || docEnded_) return;
    docEnded_ = true;
    if (OnDocEnd) OnDocEnd();
}

void THttpCli::SessionClosed(WORD error) {
    if (state_ == THttpState::httpReady || ending_) return;
    if (relocating_) {
        window_->Post(WM_HTTP_RELOCATE);
        return;
    }
    if (state_ == THttpState::httpWaitingHeader && bufferUsed_ > 0) {
        // The last line came without its line end: a short document without a header is
        // still a document.
        std::vector<char> rest(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(bufferUsed_));
        bufferUsed_ = 0;
        HeaderLine(rest.data(), rest.size(), rest.size());
        if (ending_) return;
    }
    if (error == 0 && state_ == THttpState::httpWaitingBody && contentLength_ < 0) bodyComplete_ = true;
    EndRequest(error);
}

void THttpCli::RelocateTo(const std::string& value) {
    // A path alone stays on the same host and port; anything else is a new address.
    std::string url =
        !value.empty() && value[0] == '/' ? BuildURL(proto_, hostName_, targetPort_, value) : value;
    SetTarget(url);
    location_ = url;
}

bool THttpCli::HandleMessage(UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_HTTP_REQUEST_DONE:
        if (!ending_ || state_ == THttpState::httpReady) return true;
        SetState(THttpState::httpReady);
        if (OnRequestDone) OnRequestDone(requestType_, requestDoneError_);
        return true;
    case WM_HTTP_RELOCATE:
        Guarded([&] {
            if (!relocating_ || ending_) return;
            if (++relocations_ > kMaxRelocations) {
                Fail(httperrTooManyRelocations, "Too many relocations");
                return;
            }
            std::string target = newLocation_;
            RelocateTo(target);
            if (OnLocationChange) OnLocationChange();
            ResetResults();
            LookupHost();
        });
        return true;
    }
    return false;
}

int64_t THttpCli::ParseNumber(const std::string& text, const char* what) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    std::string digits = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
    bool ok = !digits.empty() && digits.size() <= 18;
    for (char c : digits)
        ok = ok && std::isdigit(static_cast<unsigned char>(c));
    if (!ok)
        throw EHttpException(std::string("Invalid ") + what + " in the response: '" + text + "'",
                             httperrBadHeader);
    return std::stoll(digits);
}

} // namespace netload
