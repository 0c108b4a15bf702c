// The watcher's HTTP side ends when the watcher does: no client, however it behaves, holds the
// end for the library's five seconds of keep-alive.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "FileDescriptor.h"
#include "FreePort.h"
#include "MetricsServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Well under the five seconds a kept connection would hold the end, well over the second a
// silent client is given.
constexpr auto kEndLimit = std::chrono::milliseconds(2500);

files::FileDescriptor connectTo(int port) {
    files::FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    return socket;
}

std::string readToEnd(int socket) {
    std::string text;
    char chunk[4096];
    for (ssize_t got; (got = ::read(socket, chunk, sizeof chunk)) > 0;) text.append(chunk, got);
    return text;
}

struct ClientCase {
    const char* name;
    std::string sends;  // what the client writes before the server is ended
    bool answered;      // whether it reads its whole answer first
};

class MetricsServerEnd : public testing::TestWithParam<ClientCase> {};

TEST_P(MetricsServerEnd, IsNotHeldByAClient) {
    const int port = freeLoopbackPort();
    std::string problem;
    auto server = watch::MetricsServer::listen(
        {.host = "127.0.0.1", .port = static_cast<std::uint16_t>(port)}, problem);
    ASSERT_TRUE(server) << problem;
    const files::FileDescriptor client = connectTo(port);
    ASSERT_EQ(::write(client.get(), GetParam().sends.data(), GetParam().sends.size()),
              static_cast<ssize_t>(GetParam().sends.size()));
    if (GetParam().answered) {
        // The answer closes the connection rather than keeping it for the next scrape.
        const std::string answer = readToEnd(client.get());
        EXPECT_NE(answer.find("HTTP/1.1 503"), std::string::npos) << answer;
        EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer;
    }
    // Time for the server to take the connection from its queue: one it has not taken ends
    // with the listening socket.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    server.reset();
    EXPECT_LT(Clock::now() - start, kEndLimit);
}

INSTANTIATE_TEST_SUITE_P(
    Clients, MetricsServerEnd,
    testing::Values(
        ClientCase{"KeptAliveAfterItsAnswer",
                   "GET /healthz HTTP/1.1\r\nHost: x\r\nConnection: keep-alive\r\n\r\n", true},
        ClientCase{"SilentAfterConnecting", "", false},
        ClientCase{"HalfwayThroughItsRequest", "GET /metrics HTTP/1.1\r\nHost:", false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
