#include "PostgresServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "FreePort.h"

namespace {

const std::string kBin = POSTGRES_BIN_DIR;

int freeLoopbackPortOrThrow() {
    const int port = freeLoopbackPort();
    if (port == 0) throw std::runtime_error("no free loopback port");
    return port;
}

// The server runs as "nobody" when the test runs as root, as itself otherwise.
std::string asServerUser(const std::string& command) {
    if (::geteuid() != 0) return command;
    return "runuser -u nobody -- " + command;
}

}  // namespace

PostgresServer::PostgresServer(bool durable)
    : m_port(freeLoopbackPortOrThrow()), m_durable(durable) {
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(m_folder.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
            throw std::runtime_error("the server's folder cannot be handed to nobody");
    }
    // Trust on loopback only: the cluster lives as long as the test and holds nothing else.
    if (!run(kBin + "/initdb -D " + (m_folder.path() / "data").string() +
             " -U meshcfg -A trust --no-sync -E UTF8 --locale=C.UTF-8"))
        throw std::runtime_error("initdb failed; see " + (m_folder.path() / "log").string());
}

PostgresServer::~PostgresServer() {
    if (m_running) stop();
}

bool PostgresServer::available() {
    return std::filesystem::exists(kBin + "/pg_ctl");
}

bool PostgresServer::start() {
    const std::string folder = m_folder.path().string();
    m_running = run(kBin + "/pg_ctl -D " + folder + "/data -l " + folder + "/log -w -t 30" +
                    " -o \"-p " + std::to_string(m_port) + " -c listen_addresses=127.0.0.1" +
                    " -c unix_socket_directories=" + folder +
                    " -c fsync=" + (m_durable ? "on" : "off") + "\" start");
    return m_running;
}

bool PostgresServer::stop() {
    m_running = false;
    return run(kBin + "/pg_ctl -D " + m_folder.path().string() + "/data -m fast -w stop");
}

std::string PostgresServer::url(const std::string& database) const {
    return "postgresql://meshcfg@127.0.0.1:" + std::to_string(m_port) + "/" + database;
}

bool PostgresServer::createDatabase(const std::string& name) {
    return run(kBin + "/createdb -h 127.0.0.1 -p " + std::to_string(m_port) + " -U meshcfg " +
               name);
}

bool PostgresServer::run(const std::string& command) const {
    const std::string line = "cd " + m_folder.path().string() + " && " + asServerUser(command) +
                             " >>" + (m_folder.path() / "out").string() + " 2>&1";
    return std::system(line.c_str()) == 0;
}
