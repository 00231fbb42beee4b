// THttpCli: an event-driven HTTP/1.0 client. One request at a time over one connection per
// request; progress is reported through events on the user-interface thread, and a body can go
// straight into a stream.
#pragma once

#include "kovalin/Stream.h"
#include "plugins/netload/HttpText.h"
#include "plugins/netload/NotifyWindow.h"
#include "plugins/netload/WSocket.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace netload {

enum class THttpRequest { httpGET = 1, httpPOST = 2, httpHEAD = 3 };

enum class THttpState : uint8_t {
    httpReady = 0,
    httpNotConnected = 1,
    httpConnected = 2,
    httpDnsLookup = 3,
    httpDnsLookupDone = 4,
    httpWaitingHeader = 5,
    httpWaitingBody = 6,
};

// Error codes of the client's own failures, as raised and as passed to OnRequestDone.
enum : WORD {
    httperrNoError = 0,
    httperrBusy = 1,
    httperrNoData = 2,
    httperrAborted = 3,   // Abort, or a failure of a handler or of the body stream
    httperrOverflow = 4,  // a response line longer than the receive buffer
    httperrBadHeader = 5, // a header value that should be a number is not one
    httperrTooManyRelocations = 6,
};

class EHttpException : public kovalin::Exception {
public:
    EHttpException(const std::string& message, WORD code) : Exception(message), code_(code) {}
    WORD ErrorCode() const { return code_; }

private:
    WORD code_;
};

class THttpCli {
public:
    // The bytes of the response that are kept until they form a line.
    static constexpr int kReceiveBufferSize = 8192;
    // The most body bytes read from the socket at once.
    static constexpr int kBodyReadSize = 1 << 20;
    // Relocations followed one after the other before a request is given up.
    static constexpr int kMaxRelocations = 20;

    THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;
    // Closes the connection without firing events.
    ~THttpCli();

    // Settings.
    std::string RequestUrl, Proxy, ProxyPort = "80";
    std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    std::string Agent = "Mozilla/3.0 (compatible)";
    std::string Reference, Sender;
    bool NoCache = false;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    TDateTime ModifiedSince = 0; // 0: no If-Modified-Since line
    std::string Username, Password, ProxyUsername, ProxyPassword;
    std::string Cookie;
    // Sent as a Range line once, then cleared; a response's Content-Range fills them.
    std::string ContentRangeBegin, ContentRangeEnd;
    bool MultiThreaded = false;
    // Neither stream is owned by the client.
    kovalin::TStream* PostSource = nullptr;
    kovalin::TStream* BodySink = nullptr;

    // Begin a request and return at once; raise EHttpException when one is still running, or
    // for a POST without PostSource.
    void GetASync() { StartRequest(THttpRequest::httpGET); }
    void PostASync() { StartRequest(THttpRequest::httpPOST); }
    void HeadASync() { StartRequest(THttpRequest::httpHEAD); }
    // Ends the running request now, as failed; OnRequestDone follows through the queue.
    void Abort();

    // Results of the latest request.
    THttpState State() const { return state_; }
    int32_t ResponseStatus() const { return statusCode_; }
    const std::string& ResponseReason() const { return reasonPhrase_; }
    int64_t ResponseLength() const { return contentLength_; }
    const std::string& ResponseType() const { return contentType_; }
    const std::string& AcceptRanges() const { return acceptRanges_; }
    const std::string& CurrentLocation() const { return location_; }
    const std::string& DocumentName() const { return docName_; }
    int64_t ReceivedBytes() const { return receivedCount_; }
    const std::vector<std::string>& ResponseHeaderLines() const { return headerLines_; }
    const std::vector<std::string>& WWWAuthenticate() const { return authenticate_; }
    WORD RequestDoneError() const { return requestDoneError_; }
    // Whether the response came whole: its header ended, and its body reached the announced
    // Content-Length or, without one, ran until the server closed normally.
    bool BodyComplete() const { return bodyComplete_; }

    // Events.
    std::function<void()> OnStateChange;
    std::function<void()> OnSessionConnected;
    std::function<void()> OnRequestHeaderBegin, OnRequestHeaderEnd;
    // Each request line before it is sent; a line the handler empties is left out.
    std::function<void(std::string& line)> OnCommand;
    std::function<void()> OnHeaderBegin, OnHeaderData, OnHeaderEnd;
    std::function<void(const std::string& value, bool& accept)> OnCookie;
    std::function<void()> OnLocationChange;
    std::function<void()> OnDocBegin;
    std::function<void(const char* data, int length)> OnDocData;
    std::function<void()> OnDocEnd;
    std::function<void()> OnSendBegin, OnSendEnd;
    std::function<void(const char* data, int length)> OnSendData;
    std::function<void(THttpRequest request, WORD error)> OnRequestDone;

private:
    void StartRequest(THttpRequest rq);
    void ResetResults();
    void SetTarget(const std::string& url);
    void LookupHost();
    void SetState(THttpState state);
    // The request ends: the connection is closed and OnRequestDone follows through the queue.
    void EndRequest(WORD error);
    void Fail(WORD error, const std::string& reason);
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // Socket events.
    void DnsLookupDone(WORD error);
    void SessionConnected(WORD error);
    void DataAvailable(WORD error);
    void DataSent(WORD error);
    void SessionClosed(WORD error);

    void SendRequest();
    void SendNextPostPiece();
    void ReceiveData();
    void ReceiveFailed();
    void HeaderLine(const char* line, size_t length, size_t rawLength);
    void HeaderField(const std::string& line);
    void HeaderEnded();
    void RelocateTo(const std::string& value);
    void BodyData(const char* data, size_t length);
    void FinishBody();
    int64_t ParseNumber(const std::string& text, const char* what);
    template <typename F> void Guarded(F&& step);

    std::unique_ptr<TWSocket> socket_;
    std::unique_ptr<TNotifyWindow> window_;
    THttpRequest requestType_ = THttpRequest::httpGET;
    THttpState state_ = THttpState::httpReady;

    // Where the current request goes.
    std::string proto_, hostName_, port_, path_, connectHost_, connectPort_;
    std::string targetPort_; // the port as written in the address, empty when none was
    int relocations_ = 0;
    bool relocating_ = false;
    std::string newLocation_;

    int32_t statusCode_ = 0;
    std::string reasonPhrase_;
    int64_t contentLength_ = -1;
    std::string contentType_, acceptRanges_, location_, docName_;
    int64_t receivedCount_ = 0;
    std::vector<std::string> headerLines_;
    std::vector<std::string> authenticate_;
    WORD requestDoneError_ = 0;
    bool headerStarted_ = false;
    bool docStarted_ = false;
    bool docEnded_ = false;
    bool bodyComplete_ = false;
    bool ending_ = false;
    bool sending_ = false;

    std::vector<char> buffer_;
    size_t bufferUsed_ = 0;
    std::vector<char> bodyBuffer_;
    std::vector<char> postPiece_;
};

} // namespace netload
