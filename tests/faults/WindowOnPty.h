#pragma once
// The real main window on a pseudo-terminal published as a port alias, with what fault tests
// need to drive it and to read its log.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "HexBytes.h"  // withCheck: a block that passes the check

namespace app {
class CMeshcfgDlg;
}
class PortAlias;
class PtyPair;
class ScopedRuntimeDir;

// "> " followed by "%02X " per byte: what the log shows for every block received.
QString dumpLine(std::span<const std::uint8_t> bytes);
// The bytes of a dump line read back.
std::vector<std::uint8_t> dumpBytes(const QString& line);

class WindowOnPty {
  public:
    static constexpr int kPort = 200;
    // Driven: the test calls each tick itself. WindowTimer: the window's own 100 ms timer runs.
    enum class Ticks { kDriven, kWindowTimer };

    explicit WindowOnPty(Ticks ticks);
    ~WindowOnPty();
    WindowOnPty(const WindowOnPty&) = delete;
    WindowOnPty& operator=(const WindowOnPty&) = delete;

    app::CMeshcfgDlg& dlg() const { return *m_dlg; }
    PtyPair& pty() const { return *m_pty; }

    bool selectPort() const;  // the alias entry of the port list
    bool open() const;        // select it and press Open; true if the port is open
    void repointAlias(const std::string& target);  // empty: no alias at all
    void dropPty();                                // the pty goes away, its alias dangles
    void replacePty();                             // a fresh pty behind the alias

    void ticks(int count) const;
    // The far end writes bytes; true once the reader has put them all into the receive buffer.
    bool arrive(std::span<const std::uint8_t> bytes) const;

    QStringList logLines() const;
    int logLineCount() const;
    QString lastLogLine() const;
    // Button "Open", settings and Refresh enabled, request buttons disabled, no device held.
    bool showsClosedState() const;

  private:
    std::unique_ptr<ScopedRuntimeDir> m_runtime;
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<PortAlias> m_alias;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
};
