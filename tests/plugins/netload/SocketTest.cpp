#include "plugins/netload/SendQueue.h"
#include "plugins/netload/WSocket.h"
#include "plugins/netload/WinsockLibrary.h"
#include "tests/plugins/netload/NetTestSupport.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace netload;
using testsupport::PumpUntil;

TEST(SocketErrorTest, StandardTexts) {
    EXPECT_EQ(WSocketErrorDesc(0), "No Error");
    EXPECT_EQ(WSocketErrorDesc(10004), "Interrupted system call");
    EXPECT_EQ(WSocketErrorDesc(10035), "Operation would block");
    EXPECT_EQ(WSocketErrorDesc(10060), "Connection timed out");
    EXPECT_EQ(WSocketErrorDesc(10061), "Connection refused");
    EXPECT_EQ(WSocketErrorDesc(10071), "Too many levels of remote in path");
    EXPECT_EQ(WSocketErrorDesc(10093), "Winsock not initialized");
    EXPECT_EQ(WSocketErrorDesc(11001), "Host not found");
    EXPECT_EQ(WSocketErrorDesc(11004), "Valid name, no data record of requested type");
    // Gaps in the numbering and codes outside the interface.
    EXPECT_EQ(WSocketErrorDesc(10005), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(10072), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(11005), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(-1), "Not a WinSock error");
}

TEST(SendQueueTest, FillsBuffersInOrderAndKeepsTheLastOne) {
    TSendQueue q(4);
    q.Append("abcdefghij", 10);
    EXPECT_EQ(q.ByteCount(), 10u);
    EXPECT_EQ(q.BufferCount(), 3u);
    ASSERT_EQ(q.FrontLength(), 4u);
    EXPECT_EQ(std::string(q.Front(), 4), "abcd");
    q.Consume(3);
    EXPECT_EQ(std::string(q.Front(), q.FrontLength()), "d");
    q.Consume(2); // across a buffer boundary
    EXPECT_EQ(std::string(q.Front(), q.FrontLength()), "fgh");
    EXPECT_EQ(q.BufferCount(), 2u);
    q.Consume(5);
    EXPECT_TRUE(q.Empty());
    EXPECT_EQ(q.BufferCount(), 1u);
    // The kept buffer is used again from its start.
    q.Append("xy", 2);
    EXPECT_EQ(std::string(q.Front(), q.FrontLength()), "xy");
    EXPECT_EQ(q.BufferCount(), 1u);
}

TEST(SendQueueTest, NonPositiveSizeMeansTheDefault) {
    EXPECT_EQ(TSendQueue(0).BufferSize(), 1514);
    EXPECT_EQ(TSendQueue(-5).BufferSize(), 1514);
    TSendQueue q;
    std::string big(4000, 'z');
    q.Append(big.data(), big.size());
    EXPECT_EQ(q.BufferCount(), 3u);
    EXPECT_EQ(q.FrontLength(), 1514u);
}

TEST(WSocketTest, LibraryIsSharedAndReleasedWithTheLastSocket) {
    TWinsockLibrary& lib = TWinsockLibrary::Instance();
    ASSERT_EQ(lib.Users(), 0);
    {
        TWSocket a, b;
        EXPECT_EQ(lib.Users(), 2);
        EXPECT_FALSE(lib.Loaded());
        a.DnsLookup("localhost"); // the first call into the library loads it
        EXPECT_TRUE(lib.Loaded());
    }
    EXPECT_EQ(lib.Users(), 0);
    EXPECT_FALSE(lib.Loaded());
}

TEST(WSocketTest, DottedAddressIsResolvedAtOnce) {
    TWSocket s;
    int calls = 0;
    WORD error = 99;
    s.OnDnsLookupDone = [&](WORD e) {
        ++calls;
        error = e;
    };
    s.DnsLookup("10.1.2.3");
    EXPECT_EQ(calls, 1); // before the call returned, without a message
    EXPECT_EQ(error, 0);
    EXPECT_EQ(s.DnsResult(), "10.1.2.3");
    ASSERT_EQ(s.DnsResultList().size(), 1u);
}

TEST(WSocketTest, EmptyHostNameRaisesAndReportsTheLookupFailed) {
    TWSocket s;
    WORD error = 0;
    s.OnDnsLookupDone = [&](WORD e) { error = e; };
    try {
        s.DnsLookup("");
        FAIL() << "no error raised";
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "DNS lookup: invalid host name.");
    }
    EXPECT_EQ(error, 10022);
}

TEST(WSocketTest, NamesAreLookedUpInTheBackground) {
    TWSocket s;
    bool done = false;
    WORD error = 99;
    s.OnDnsLookupDone = [&](WORD e) {
        done = true;
        error = e;
    };
    s.DnsLookup("localhost");
    EXPECT_FALSE(done);
    ASSERT_TRUE(PumpUntil([&] { return done; }, 10000));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
}

TEST(WSocketTest, SocketGoneBeforeItsLookupEndedLeavesTheHeapIntact) {
    // The system may still write a cancelled lookup's answer after the socket has gone.
    for (int i = 0; i < 20; ++i) {
        TWSocket s;
        s.DnsLookup("localhost");
    }
    for (int i = 0; i < 20; ++i) {
        std::vector<std::unique_ptr<char[]>> churn;
        for (int j = 0; j < 50; ++j)
            churn.push_back(std::make_unique<char[]>(1024));
        testsupport::PumpMessages(10);
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST(WSocketTest, ConnectRefusesMissingSettings) {
    TWSocket s;
    auto message = [&] {
        try {
            s.Connect();
        } catch (const ESocketException& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    s.SetAddr("127.0.0.1");
    EXPECT_EQ(message().rfind("Connect: No Port Specified", 0), 0u);
    s.SetPort("80");
    s.SetAddr("");
    EXPECT_EQ(message().rfind("Connect: No IP Address Specified", 0), 0u);
    s.SetAddr("127.0.0.1");
    s.SetProto("");
    EXPECT_EQ(message().rfind("Connect: No Protocol Specified", 0), 0u);
    EXPECT_EQ(s.State(), TSocketState::wsClosed);
}

TEST(WSocketTest, SendOnAClosedSocketFails) {
    TWSocket s;
    EXPECT_EQ(s.SendStr("hello"), -1);
    EXPECT_EQ(s.LastError(), 10057);
}

namespace {

// A raw GET over one socket, collecting every event.
struct RawGet {
    TWSocket s;
    std::string received;
    std::vector<std::string> events;
    WORD connectError = 0, closeError = 0;
    bool closed = false;

    explicit RawGet(int port, const std::string& path) {
        s.OnChangeState = [&](TSocketState, TSocketState now) {
            if (now == TSocketState::wsConnected) events.push_back("connected");
        };
        s.OnSessionConnected = [&, path](WORD e) {
            connectError = e;
            if (e == 0) s.SendStr("GET " + path + " HTTP/1.0\r\n\r\n");
        };
        s.OnDataSent = [&](WORD) { events.push_back("sent"); };
        s.OnDataAvailable = [&](WORD) {
            char buf[500]; // small reads: several rounds per notification
            int n = s.Receive(buf, sizeof buf);
            if (n > 0) received.append(buf, static_cast<size_t>(n));
        };
        s.OnSessionClosed = [&](WORD e) {
            closed = true;
            closeError = e;
            events.push_back("closed");
        };
        s.SetAddr("127.0.0.1");
        s.SetPort(std::to_string(port));
        s.SetProto("tcp");
        s.Connect();
    }
};

} // namespace

TEST(WSocketTest, ServerClosingRightAfterSendingStillDeliversEverything) {
    ASSERT_TRUE(nettest::Server().Running());
    RawGet get(nettest::Server().port, "/nolength/300000");
    EXPECT_EQ(get.s.State(), TSocketState::wsConnecting);
    ASSERT_TRUE(PumpUntil([&] { return get.closed; }, 20000));
    EXPECT_EQ(get.connectError, 0);
    EXPECT_EQ(get.closeError, 0);
    EXPECT_EQ(get.s.State(), TSocketState::wsClosed);
    size_t body = get.received.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(get.received.substr(body + 4), nettest::Pattern(300000, 1));
    ASSERT_GE(get.events.size(), 3u);
    EXPECT_EQ(get.events.front(), "connected");
    EXPECT_EQ(get.events[1], "sent");
    EXPECT_EQ(get.events.back(), "closed");
}

TEST(WSocketTest, RefusedConnectionIsReportedToTheConnectEvent) {
    ASSERT_TRUE(nettest::Server().Running());
    RawGet get(nettest::Server().closedPort, "/");
    bool reported = false;
    get.s.OnSessionConnected = [&](WORD e) {
        reported = true;
        get.connectError = e;
    };
    ASSERT_TRUE(PumpUntil([&] { return reported; }, 10000));
    EXPECT_EQ(get.connectError, 10061);
    EXPECT_EQ(get.s.State(), TSocketState::wsClosed);
}

TEST(WSocketTest, LocalCloseEndsTheSessionThroughTheQueue) {
    ASSERT_TRUE(nettest::Server().Running());
    RawGet get(nettest::Server().port, "/silent");
    ASSERT_TRUE(PumpUntil([&] { return get.s.State() == TSocketState::wsConnected; }, 10000));
    get.s.Close();
    EXPECT_FALSE(get.closed); // not from inside Close
    ASSERT_TRUE(PumpUntil([&] { return get.closed; }, 5000));
    EXPECT_EQ(get.closeError, 0);
}
