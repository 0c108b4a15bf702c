// A port across the network against a real ser2net serving a pseudo-terminal: bytes pass both
// ways untouched, the line is set as asked, refusals are said in plain words, and a dropped
// connection is a hang-up.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "NetworkOpening.h"
#include "PtyPair.h"
#include "RecordingPort.h"
#include "ScopedRuntimeDir.h"
#include "Ser2netServer.h"
#include "Wait.h"

namespace {

using Accepter = Ser2netServer::Accepter;

class NetworkPortTest : public ::testing::Test {
  protected:
    Ser2netServer& serve(Accepter accepter, const std::string& termiosLog = {}) {
        m_server = std::make_unique<Ser2netServer>(m_folder.path(), m_pty.slavePath(), accepter);
        EXPECT_TRUE(m_server->start(termiosLog)) << m_server->error();
        return *m_server;
    }
    std::string file(const std::string& name) const { return m_folder.path() + "/" + name; }

    ScopedRuntimeDir m_folder;
    PtyPair m_pty;
    std::unique_ptr<Ser2netServer> m_server;
    RecordingPort m_port;
};

struct PassingBytes {
    const char* name;
    Accepter accepter;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> everyByteValue() {
    std::vector<std::uint8_t> bytes;
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

class NetworkBytes : public NetworkPortTest, public ::testing::WithParamInterface<PassingBytes> {};

// Telnet gives 0xFF, CR and NUL meanings of their own; a raw bridge gives none.
TEST_P(NetworkBytes, PassBothWaysUntouched) {
    const PassingBytes& row = GetParam();
    const Ser2netServer& server = serve(row.accepter);
    ASSERT_TRUE(m_port.OpenAddress(server.url(), 9600, 0)) << m_port.lastError();

    ASSERT_TRUE(m_port.Write(row.bytes.data(), static_cast<unsigned>(row.bytes.size())));
    EXPECT_EQ(m_pty.readMaster(row.bytes.size() + 1, std::chrono::milliseconds(500)), row.bytes);

    ASSERT_TRUE(m_pty.writeMaster(row.bytes));
    waitUntil([&] { return m_port.received() >= row.bytes.size(); });
    EXPECT_EQ(m_port.bytes(), row.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NetworkBytes,
    ::testing::Values(
        PassingBytes{"EveryValueRfc2217", Accepter::kRfc2217, everyByteValue()},
        PassingBytes{"EveryValueRaw", Accepter::kRawTcp, everyByteValue()},
        PassingBytes{"TelnetSpecials", Accepter::kRfc2217, hexBytes("0D 00 0D 0A FF 0D")},
        PassingBytes{"AllFF", Accepter::kRfc2217, std::vector<std::uint8_t>(3000, 0xFF)}),
    [](const auto& info) { return std::string(info.param.name); });

struct LineRow {
    const char* name;
    int baud;
    int parityCode;
    speed_t speed;
    const char* parity;
};

class NetworkLine : public NetworkPortTest, public ::testing::WithParamInterface<LineRow> {};

// A pseudo-terminal drops the parity bit, so the parity is read from what the server applied.
TEST_P(NetworkLine, ReachesTheServedTerminal) {
    const LineRow& row = GetParam();
    const std::string log = file("termios.log");
    const Ser2netServer& server = serve(Accepter::kRfc2217, log);
    ASSERT_TRUE(m_port.OpenAddress(server.url(), row.baud, row.parityCode)) << m_port.lastError();
    EXPECT_EQ(m_port.lineControl(), serial::CXSerial::LineControl::kNetwork);

    const RecordedLine applied = lastRecordedLine(log, m_pty.slavePath());
    EXPECT_EQ(applied.baud, static_cast<unsigned>(row.baud));
    EXPECT_EQ(applied.parity, row.parity);
    termios terminal{};
    ASSERT_EQ(::tcgetattr(m_pty.slaveFd(), &terminal), 0);
    EXPECT_EQ(::cfgetospeed(&terminal), row.speed);
}

INSTANTIATE_TEST_SUITE_P(Rows, NetworkLine,
                         ::testing::Values(LineRow{"Even19200", 19200, 2, B19200, "even"},
                                           LineRow{"Odd1200", 1200, 1, B1200, "odd"},
                                           LineRow{"None115200", 115200, 0, B115200, "none"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusalRow {
    const char* name;
    std::optional<Accepter> served;  // nothing: no server listens
    const char* scheme;
    const char* said;
};

class NetworkRefusal : public NetworkPortTest, public ::testing::WithParamInterface<RefusalRow> {};

long openDescriptors() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return std::distance(begin(entries), end(entries));
}

TEST_P(NetworkRefusal, SaysWhyAndStaysClosed) {
    const RefusalRow& row = GetParam();
    int port = 1;  // privileged and unused on a test machine: refused
    if (row.served) port = serve(*row.served).port();
    const std::string address = std::string(row.scheme) + "://127.0.0.1:" + std::to_string(port);
    // The network module's loop, started by a first attempt, keeps descriptors of its own.
    EXPECT_FALSE(m_port.OpenAddress("tcp://127.0.0.1:1", 9600, 0));
    const long descriptorsBefore = openDescriptors();
    EXPECT_FALSE(m_port.OpenAddress(address, 9600, 0));
    EXPECT_FALSE(m_port.isOpen());
    // Nothing of a refused connection outlives the refusal, not even until the process ends.
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    EXPECT_EQ(m_port.lastError(),
              "cannot connect to 127.0.0.1:" + std::to_string(port) + " (" + row.said + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NetworkRefusal,
    ::testing::Values(RefusalRow{"NoServer", std::nullopt, "rfc2217", "connection refused"},
                      RefusalRow{"RawServer", Accepter::kRawTcp, "rfc2217",
                                 "the server does not accept line settings"},
                      RefusalRow{"TelnetWithoutComPort", Accepter::kTelnetOnly, "rfc2217",
                                 "the server does not accept line settings"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkPortTest, RawBridgeKeepsItsOwnLine) {
    const Ser2netServer& server = serve(Accepter::kRawTcp);
    ASSERT_TRUE(m_port.OpenAddress(server.url(), 19200, 2)) << m_port.lastError();
    EXPECT_EQ(m_port.lineControl(), serial::CXSerial::LineControl::kBridge);
}

// The attempt runs on its own thread and says when it has ended; the port then takes it over.
TEST_F(NetworkPortTest, OpeningOffTheCallersThread) {
    const Ser2netServer& server = serve(Accepter::kRfc2217);
    std::atomic<int> ends = 0;
    serial::NetworkOpening opening(*ports::parseNetworkAddress(server.url()).address,
                                   {19200, proto::Parity::kEven}, [&ends] { ++ends; });
    ASSERT_TRUE(waitUntil([&] { return opening.ended(); }));
    ASSERT_TRUE(m_port.OpenConnected(opening.take())) << m_port.lastError();
    EXPECT_EQ(ends, 1);
    const std::vector<std::uint8_t> request = hexBytes("01 00 02 00 02");
    ASSERT_TRUE(m_port.Write(request.data(), static_cast<unsigned>(request.size())));
    EXPECT_EQ(m_pty.readMaster(request.size()), request);
}

TEST_F(NetworkPortTest, ServerGoneIsAHangUp) {
    Ser2netServer& server = serve(Accepter::kRfc2217);
    ASSERT_TRUE(m_port.OpenAddress(server.url(), 9600, 0)) << m_port.lastError();
    server.kill();
    EXPECT_TRUE(waitUntil([&] { return m_port.hangups() == 1; }));
    EXPECT_FALSE(m_port.isReading());
    const std::uint8_t request[] = {0x01, 0x00, 0x02, 0x00};
    EXPECT_FALSE(m_port.Write(request, sizeof request));  // not taken in silence
    EXPECT_EQ(m_port.lostReason(), "the connection closed");
    m_port.Close();
    EXPECT_FALSE(m_port.isOpen());
}

// Once a port across the network is used, a write to a socket whose far end has gone fails as
// it should instead of ending the program: the network library's own writes to a server that
// closed are such writes.
TEST_F(NetworkPortTest, WriteToAClosedSocketFails) {
    const Ser2netServer& server = serve(Accepter::kRfc2217);
    ASSERT_TRUE(m_port.OpenAddress(server.url(), 9600, 0)) << m_port.lastError();
    int ends[2] = {-1, -1};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ::close(ends[1]);
    errno = 0;
    EXPECT_EQ(::write(ends[0], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[0]);
}

}  // namespace
