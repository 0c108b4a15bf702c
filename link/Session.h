#pragma once
// One run of the tool against one port: the options every command shares, the port they name
// and the request-reply exchange with the module behind it.

#include <functional>
#include <string>
#include <vector>

#include "Failure.h"
#include "Frame.h"
#include "LineSettings.h"
#include "ModuleLink.h"
#include "PortDirectory.h"

namespace modlink {

struct CommonOptions {
    std::string port;
    int baud = 9600;
    proto::Parity parity = proto::Parity::kNone;
    int timeoutMs = 2000;  // per reply: a script must not wait for ever
    bool json = false;
};

class Session {
  public:
    // Opens exactly the port the face resolved, whatever the names stand for by now; a Failure
    // with kExitPort when it cannot be opened. options.port is not looked at.
    Session(const CommonOptions& options, ports::PortTarget port,
            ModuleLink::Reading reading = ModuleLink::Reading::kFrames);

    const ports::PortTarget& port() const { return m_port; }
    ModuleLink& link() { return m_link; }

    // Opens the port again after a hang-up, its name looked up again as a lost port's watch
    // does; false while it cannot be opened.
    bool reopen();

    // How long each reply is waited for from now on.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

    using NoticeHandler = ModuleLink::NoticeHandler;
    // Receive notices that come during exchanges; by default one line on standard error in
    // text mode, and nothing with --json, whose standard output holds one document.
    void onNotice(NoticeHandler handler) { m_onNotice = std::move(handler); }

    // The request and how it ended: its typed reply, or no reply, a wrong check byte, a reply
    // cut short or a refusal; notices and other frames are not taken for the reply. A hang-up
    // leaves as a Failure with kExitPort, Ctrl+C with kExitInterrupted (the request is not
    // written when Ctrl+C came first), a request that could not be written with kExitPort.
    using Exchange = engine::ExchangeEnd;
    Exchange exchange(const proto::Request& request);
    // raw's: the bytes as given, the reply read for what it holds.
    Exchange exchange(const engine::RawRequest& request);
    // The reply, or a refusal; every other end a Failure that says what went wrong (kExitNoReply
    // for no reply, a wrong check byte and a reply cut short).
    Exchange request(const proto::Request& request);
    // The last exchange's request went out whole, whatever came after it.
    bool requestWritten() const { return m_requestWritten; }

    // A link test's send: it goes out, and returns once the line carries it; its confirmation
    // comes as news. Failures as exchange's.
    ModuleLink::Posted post(const proto::SendDataRequest& send);
    // The next news but a notice (notices go to the handler on the way), or kTimeOut at the
    // deadline. A hang-up leaves as a Failure with kExitPort, Ctrl+C with kExitInterrupted.
    ModuleLink::WaitEnd awaitNews(ModuleLink::Clock::time_point deadline, ModuleLink::News& news);

    // A Failure naming this port.
    Failure failure(ExitCode code, const std::string& what) const;
    Failure noReply();
    Failure lost() const;

  private:
    bool open();
    Exchange ended(Exchange end);

    const CommonOptions& m_options;
    ports::PortTarget m_port;
    std::chrono::milliseconds m_timeout;
    ModuleLink m_link;
    NoticeHandler m_onNotice;
    bool m_requestWritten = false;
};

}  // namespace modlink
