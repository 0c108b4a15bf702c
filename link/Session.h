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

struct CommonOptions {
    std::string port;
    int baud = 9600;
    Parity parity = Parity::kNone;
    int timeoutMs = 2000;  // per reply: a script must not wait for ever
    bool json = false;
};

class Session {
  public:
    // Opens the port; a Failure with kExitPort when it cannot be opened.
    explicit Session(const CommonOptions& options,
                     ModuleLink::Reading reading = ModuleLink::Reading::kFrames);

    const PortTarget& port() const { return m_port; }
    ModuleLink& link() { return m_link; }

    // Opens the port again after a hang-up; false while it cannot be opened.
    bool reopen();

    // How long each reply is waited for from now on.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    using NoticeHandler = std::function<void(const proto::ReadFrame&)>;
    // Receive notices that come during exchanges; by default one line on standard error in
    // text mode, and nothing with --json, whose standard output holds one document.
    void onNotice(NoticeHandler handler) { m_onNotice = std::move(handler); }

    struct Exchange {
        enum class Outcome { kReply, kNoReply, kBadCheck };
        Outcome outcome = Outcome::kNoReply;
        std::vector<std::uint8_t> reply;  // also when its check byte is wrong
        double roundTripMs = 0;           // from the request's last byte on the line to the reply's
    };
    // Writes the request without waiting for its reply, and returns when its last byte was
    // taken, with the time the line carries it. Frames that came before it and are not notices are
    // added to earlier. A hang-up leaves as a Failure with kExitPort, Ctrl+C before the write with
    // kExitInterrupted.
    ModuleLink::Clock::time_point post(proto::Bytes request,
                                       std::vector<proto::ReadFrame>& earlier);
    // The next frame that is not a notice (notices go to the handler on the way), or kTimeOut
    // at the deadline. A hang-up leaves as a Failure with kExitPort, Ctrl+C with
    // kExitInterrupted.
    ModuleLink::WaitEnd awaitFrame(ModuleLink::Clock::time_point deadline, proto::ReadFrame& frame);

    // Writes the request and waits for the frame that answers it; notices and other frames are
    // not taken for it. A hang-up leaves as a Failure with kExitPort, Ctrl+C with
    // kExitInterrupted (the request is not written when Ctrl+C came first).
    Exchange exchange(proto::Bytes request);
    // The reply, or a Failure with kExitNoReply that says what went wrong.
    Exchange request(proto::Bytes request);
    // The last exchange's request went out whole, whatever came after it.
    bool requestWritten() const { return m_requestWritten; }

    // A Failure naming this port.
    Failure failure(ExitCode code, const std::string& what) const;
    Failure noReply();
    Failure lost() const;

  private:
    bool open();
    void tellNotices(const std::vector<proto::ReadFrame>& frames);
    bool answers(const std::optional<proto::ExpectedReply>& expected,
                 const proto::ReadFrame& frame) const;

    const CommonOptions& m_options;
    PortTarget m_port;
    std::chrono::milliseconds m_timeout;
    ModuleLink m_link;
    NoticeHandler m_onNotice;
    bool m_requestWritten = false;
};
