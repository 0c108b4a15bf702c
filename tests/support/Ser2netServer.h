#pragma once
// A real ser2net for tests, serving one tty on a free TCP port of 127.0.0.1: its YAML
// configuration and PID file in the test's folder, killed at the end. With a termios log, the
// server runs with the recorder preloaded, which writes down every line setting it applies:
// a pseudo-terminal cannot hold a parity, so its own state would not show one.

#include <sys/types.h>

#include <string>

class Ser2netServer {
  public:
    enum class Accepter { kRfc2217, kRawTcp, kTelnetOnly };

    // folder: where the configuration and the PID file go; it must exist.
    Ser2netServer(std::string folder, std::string device, Accepter accepter = Accepter::kRfc2217);
    // Before start: bytes are passed on at once both ways, as the README configures the server,
    // not after its default wait of two characters' time for more, and without the TCP stack's
    // own wait for the previous segment's acknowledgement.
    void passAtOnce() { m_passAtOnce = true; }
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // Starts the server and waits until it listens. False, with error(), when it did not.
    bool start(const std::string& termiosLog = {});
    void kill();  // SIGKILL: the connection drops with no goodbye
    void stop();  // SIGTERM, and waits for the end

    int port() const { return m_port; }
    std::string url() const;  // "rfc2217://127.0.0.1:PORT", or tcp:// for a raw server
    const std::string& error() const { return m_error; }

  private:
    bool listening() const;
    void writeConfiguration() const;

    std::string m_folder;
    std::string m_device;
    Accepter m_accepter;
    bool m_passAtOnce = false;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_error;
};

// The last line setting the recorder saw applied to device: its rate and its parity as
// "none", "odd" or "even"; empty when none was seen.
struct RecordedLine {
    unsigned baud = 0;
    std::string parity;
};
RecordedLine lastRecordedLine(const std::string& termiosLog, const std::string& device);
