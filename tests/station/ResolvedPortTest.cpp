// Every opening below a face opens the port the face resolved, even when ports.toml names
// another address for it by the time the port is opened.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "ModuleReading.h"
#include "PortDirectory.h"
#include "RemotePorts.h"
#include "ScopedRuntimeDir.h"
#include "ScopedVariable.h"
#include "UnitRunner.h"
#include "Wait.h"

namespace {

const std::string kResolvedName = "COM150";

// A loopback server that never accepts: a raw TCP opening lands in its queue.
class QueueOnlyServer {
  public:
    QueueOnlyServer() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(m_fd, 4) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            m_url = "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    ~QueueOnlyServer() { ::close(m_fd); }
    QueueOnlyServer(const QueueOnlyServer&) = delete;
    QueueOnlyServer& operator=(const QueueOnlyServer&) = delete;

    const std::string& url() const { return m_url; }
    // A connection was made to it since the last call.
    bool tookConnection() {
        const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) return false;
        ::close(connection);
        return true;
    }

  private:
    int m_fd;
    std::string m_url;
};

struct OpeningRow {
    const char* name;
    std::function<void(const ports::PortTarget&, const modlink::CommonOptions&)> open;
};

class ResolvedPortOpened : public testing::TestWithParam<OpeningRow> {
  protected:
    void pointAt(const QueueOnlyServer& server) {
        std::filesystem::create_directories(m_config.path() + "/meshcfg");
        std::ofstream(ports::remotePortsPath())
            << "[ports]\n"
            << kResolvedName << " = \"" << server.url() << "\"\n";
    }

    ScopedRuntimeDir m_config;  // no alias holds the name, and the file is the test's own
    ScopedVariable m_configHome{"XDG_CONFIG_HOME", m_config.path().c_str()};
};

TEST_P(ResolvedPortOpened, IsTheOneTheFaceResolvedThoughTheFileChangedSince) {
    QueueOnlyServer resolved;
    QueueOnlyServer namedLater;
    ASSERT_FALSE(resolved.url().empty());
    ASSERT_FALSE(namedLater.url().empty());
    pointAt(resolved);
    const ports::PortTarget target = ports::PortDirectory().resolve(kResolvedName);
    ASSERT_EQ(target.url, resolved.url());
    pointAt(namedLater);
    ASSERT_EQ(ports::PortDirectory().resolve(kResolvedName).url, namedLater.url());

    modlink::CommonOptions common;
    common.timeoutMs = 50;  // nobody answers: only the opening matters
    GetParam().open(target, common);
    EXPECT_TRUE(waitUntil([&] { return resolved.tookConnection(); }));
    EXPECT_FALSE(namedLater.tookConnection());
}

INSTANTIATE_TEST_SUITE_P(
    Openings, ResolvedPortOpened,
    testing::Values(
        OpeningRow{"Session",
                   [](const ports::PortTarget& port, const modlink::CommonOptions& common) {
                       const modlink::Session session(common, port);
                   }},
        OpeningRow{"UnitWhoseRowNamesIt",
                   [](const ports::PortTarget& port, const modlink::CommonOptions& common) {
                       const station::StationOptions options;
                       const ports::PortDirectory directory;
                       station::UnitRunner runner(common, {}, options, directory, false, nullptr);
                       const station::UnitOutcome outcome = runner.run(port);
                       EXPECT_EQ(outcome.row.port, kResolvedName);
                       EXPECT_EQ(outcome.code, modlink::kExitNoReply) << outcome.row.why;
                   }},
        OpeningRow{"SurveyReading",
                   [](const ports::PortTarget& port, const modlink::CommonOptions& common) {
                       survey::readModule(port, common, {}, survey::Asked::kSetup);
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
