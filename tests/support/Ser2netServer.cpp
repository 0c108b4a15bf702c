#include "Ser2netServer.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "FileDescriptor.h"
#include "FreePort.h"
#include "Wait.h"

extern char** environ;

namespace {

std::string accepterPrefix(Ser2netServer::Accepter accepter, bool noDelay) {
    const std::string tcp = noDelay ? "tcp(nodelay)" : "tcp";
    switch (accepter) {
        case Ser2netServer::Accepter::kRfc2217:
            return "telnet(rfc2217)," + tcp;
        case Ser2netServer::Accepter::kTelnetOnly:
            return "telnet," + tcp;
        case Ser2netServer::Accepter::kRawTcp:
            break;
    }
    return tcp;
}

}  // namespace

Ser2netServer::Ser2netServer(std::string folder, std::string device, Accepter accepter)
    : m_folder(std::move(folder)), m_device(std::move(device)), m_accepter(accepter) {}

Ser2netServer::~Ser2netServer() {
    kill();
}

std::string Ser2netServer::url() const {
    return std::string(m_accepter == Accepter::kRawTcp ? "tcp" : "rfc2217") +
           "://127.0.0.1:" + std::to_string(m_port);
}

void Ser2netServer::writeConfiguration() const {
    std::ofstream yaml(m_folder + "/ser2net.yaml");
    yaml << "connection: &served\n"
         << "  accepter: " << accepterPrefix(m_accepter, m_passAtOnce) << ",127.0.0.1," << m_port
         << "\n"
         << "  connector: serialdev," << m_device << ",9600n81,local\n"
         << "  options:\n"
         << "    kickolduser: true\n";
    if (m_passAtOnce) yaml << "    chardelay: false\n";
}

bool Ser2netServer::start(const std::string& termiosLog) {
    if (m_port == 0) m_port = freeLoopbackPort();  // a restart serves the same address
    if (m_port == 0) {
        m_error = "no free TCP port on 127.0.0.1";
        return false;
    }
    writeConfiguration();
    const std::string config = m_folder + "/ser2net.yaml";
    const std::string pidFile = m_folder + "/ser2net.pid";
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    if (!termiosLog.empty()) {
        environment.push_back("LD_PRELOAD=" MESHCFG_TERMIOS_RECORDER);
        environment.push_back("MESHCFG_TERMIOS_LOG=" + termiosLog);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const char* argv[] = {"ser2net", "-n", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr};
    if (::posix_spawnp(&m_pid, "ser2net", nullptr, nullptr, const_cast<char**>(argv),
                       envp.data()) != 0) {
        m_pid = -1;
        m_error = "ser2net cannot be started: is it installed?";
        return false;
    }
    if (waitUntil([this] { return listening(); })) return true;
    m_error = "ser2net does not listen on 127.0.0.1:" + std::to_string(m_port);
    kill();
    return false;
}

// Looked up in the kernel's socket table rather than by connecting, which would take the
// server's connection and open the device.
bool Ser2netServer::listening() const {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", m_port);
    constexpr const char* kListen = "0A";
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == kListen) return true;
    }
    return false;
}

void Ser2netServer::kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void Ser2netServer::stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

RecordedLine lastRecordedLine(const std::string& termiosLog, const std::string& device) {
    std::ifstream log(termiosLog);
    RecordedLine last;
    std::string path, parity;
    unsigned baud = 0;
    while (log >> path >> baud >> parity)
        if (path == device) last = {baud, parity};
    return last;
}
