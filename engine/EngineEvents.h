#pragma once
// What the engine tells the face that drives it. Every call comes on the face's own thread,
// from a call the face made (tick, takeNews, lookForLostPort, send, open, close ...); the
// port's threads never call a face. A face overrides what it shows.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "Exchange.h"
#include "Frame.h"
#include "FrameReader.h"
#include "LinkStatistics.h"
#include "LinkTrial.h"
#include "Messages.h"

namespace engine {

// Why a request's frame did not go out.
enum class NotSentReason {
    QueueFull,  // CXSerial::kWriteQueueLimit requests already wait for the port
    GivenUp,    // the port took no data for CXSerial::kWriteTries waits of kWriteWait
};

// Why continuous sending ended.
enum class SendingEnd {
    Stopped,     // the face stopped it: the user, or a request that could not be built
    PortClosed,  // the port was closed
    PortLost,    // the device hung up
};

class EngineEvents {
  public:
    virtual ~EngineEvents() = default;

    // A request was made; reported whether or not a port is open to take it.
    virtual void requestLogged(const proto::Request& /*request*/, proto::Bytes /*frame*/) {}
    // The port took the frame: its writer sends the frames it holds whole and in order.
    virtual void frameSent(proto::Bytes /*frame*/) {}
    // The frame of the request logged last (QueueFull) or of an earlier one (GivenUp).
    virtual void notSent(NotSentReason /*reason*/) {}
    // Frames the port had taken whole, oldest first, thrown away unsent when a stuck write
    // flushed its output.
    virtual void flushed(const std::vector<proto::Frame>& /*frames*/) {}
    // The oldest frame the port took and not yet reported went out whole: the line carried its
    // last byte at onWire (by its baud rate, maybe still to come), where a reply's round trip
    // starts.
    virtual void frameWritten(std::chrono::steady_clock::time_point /*onWire*/) {}

    // A block of received bytes, cut after kReplySilence with no byte; dropped counts the
    // bytes that found the receive buffer full, and then nothing of the block is dispatched.
    // lastArrival is when its last byte came.
    virtual void blockReceived(proto::Bytes /*block*/, std::size_t /*dropped*/,
                               std::chrono::steady_clock::time_point /*lastArrival*/) {}
    // A block that reads as a frame the tool handles (its first frame counts), with its value;
    // a block of several whole, good frames gives one call for each frame, in order.
    virtual void frameReceived(const proto::Reply& /*reply*/, proto::Bytes /*frame*/) {}
    // A request the face watches the replies of (ModuleEngine::watchReplies) had none in
    // time; port names the port it went out on.
    virtual void noReply(int /*port*/) {}
    // Receiving::Frames only: each frame as soon as it is whole, with its arrival time, in
    // place of blocks; a receive notice is marked unsolicited, and a frame with the awaited
    // reply's header and size but a wrong check byte comes with checkOk false.
    virtual void frameRead(const proto::ReadFrame& /*frame*/) {}

    // A request a face waits on (ModuleEngine::exchange) ended: its reply, or why none came.
    virtual void exchangeEnded(int /*exchange*/, const ExchangeEnd& /*end*/) {}
    // The link test counted a confirmation: for the send it answers, late, or unmatched.
    virtual void sendAnswered(const LinkTrial::Answer& /*answer*/,
                              const proto::ReadFrame& /*frame*/) {}
    // The link test's send had no confirmation within its time-out.
    virtual void sendUnanswered(int /*send*/) {}

    // Continuous sending wants its next request now: the face sends it, or stops the run.
    virtual void sendDue() {}
    // The running link test's figures: on its first tick, then at most once a second.
    virtual void linkTestFigures(const proto::LinkStatistics& /*figures*/) {}
    // Continuous sending ended; figures are its link test's, each send without a reply counted.
    virtual void continuousEnded(SendingEnd /*why*/, const proto::LinkStatistics& /*figures*/) {}

    // A port across the network opened by startOpening() is connected (error empty) or not,
    // and why not: "cannot connect to bench-3:3333 (connection refused)".
    virtual void openingEnded(int /*port*/, const std::string& /*error*/) {}
    // The open port's device hung up, or its connection closed (why says which): the port is
    // closed and watched for the device's return.
    virtual void lost(int /*port*/, const std::string& /*why*/) {}
    // The lost device is there again but held by another program: said once a watch, and
    // nothing is touched until it is free.
    virtual void backInUse(int /*port*/) {}
    // The server of a lost port across the network took a connection and closed it at once,
    // why says with what it said: told once a watch, which goes on trying less and less often.
    virtual void notBack(int /*port*/, const std::string& /*why*/) {}
    // The lost device is there again, as port (another COM port for an adapter replugged as
    // another tty); called before the engine opens it, so the face may list the ports first.
    virtual void returning(int /*port*/) {}
    // The returned device is open again with the settings it had; continuous sending that ran
    // when it hung up stays off.
    virtual void back(int /*lostPort*/, int /*port*/, bool /*wasSending*/) {}
};

}  // namespace engine
