#include "ModuleModel.h"

#include <variant>

#include "SendNames.h"

namespace sim {

namespace {

constexpr double kStartMhz = 434;

Answer rejected(std::string_view reason, proto::Bytes bytes, std::string_view field = "frame=") {
    return {"rejected " + std::string(reason) + " " + std::string(field) + proto::hexDigits(bytes),
            {}};
}

bool isSend(const proto::Frame& frame) {
    return frame[proto::kTypeOffset] == proto::kTypeNetData &&
           frame[proto::kCodeOffset] == proto::kCmdSendData;
}

// Why the module turns down a frame of its own type that does not decode.
std::string_view refusal(const proto::Frame& frame) {
    if (frame[proto::kTypeOffset] == proto::kTypeModule) {
        switch (frame[proto::kCodeOffset]) {
            case proto::kCmdWriteSetup:
            case proto::kCmdReadSetup:
                return "bad-setup";
            case proto::kCmdReadRoute:
            case proto::kCmdReadPath:
                return "bad-length";
            default:
                break;
        }
    }
    return "unknown-command";
}

std::string describe(const proto::SendDataRequest& request) {
    std::string relays = "relays=" + std::to_string(request.relays.size());
    for (std::size_t k = 0; k < request.relays.size(); ++k) {
        relays += (k == 0 ? " via=" : ",") + proto::hexWord(request.relays[k]);
    }
    return "target=" + std::to_string(request.target) + " ack=" + std::to_string(request.ack) +
           " jump=" + std::to_string(request.jump) + " mode=" + std::to_string(request.routeMode) +
           " " + relays + " data=" + proto::hexDigits(request.data);
}

std::string describe(const proto::Setup& setup) {
    const std::uint32_t reg = setup.frequencyRegister;
    return "freq=" + proto::hexByte(static_cast<std::uint8_t>(reg >> 16)) +
           proto::hexWord(static_cast<std::uint16_t>(reg)) +
           " power=" + std::to_string(setup.powerCode) +
           " life=" + std::to_string(setup.lifeCycleCode) +
           " net=" + std::to_string(setup.networkId) + " node=" + std::to_string(setup.nodeId) +
           " baud=" + std::to_string(setup.uartRateCode) +
           " parity=" + std::to_string(setup.parityCode);
}

// The setup echoed, cut or padded with zero bytes to the length asked for: the tool may rely
// on no more of an acknowledgement than its type and code.
proto::Frame acknowledgement(const proto::Setup& setup, std::size_t length) {
    const proto::Frame echo = proto::encode(proto::WriteAcknowledgement{setup});
    const auto payload = proto::Bytes(echo).subspan(proto::kHeaderSize);
    proto::Frame resized(payload.begin(), payload.end() - proto::kCheckSize);
    resized.resize(length - proto::frameSize(0), 0x00);
    return proto::buildFrame(proto::kTypeModule, proto::kReplySetupWritten, resized);
}

}  // namespace

proto::Setup startSetup(NodeId node) {
    return {.frequencyRegister = *proto::frequencyRegisterFromMhz(kStartMhz), .nodeId = node};
}

proto::Parity uartParity(const proto::Setup& setup) {
    return proto::parityFromCode(setup.parityCode).value_or(proto::Parity::kNone);
}

ModuleModel::ModuleModel(Mesh mesh, unsigned seed, std::size_t ackLength)
    : m_meshRadio(std::in_place, std::move(mesh), seed),
      m_radio(*m_meshRadio),
      m_ackLength(ackLength),
      m_setup(startSetup(m_meshRadio->mesh().localNode)) {}

ModuleModel::ModuleModel(proto::Setup start, Radio& radio, std::size_t ackLength)
    : m_radio(radio), m_ackLength(ackLength), m_setup(start) {}

Answer ModuleModel::answer(const Received& received) {
    switch (received.kind) {
        case Received::Kind::kFrame:
            return answerFrame(received.bytes);
        case Received::Kind::kBadCheck:
            // A send is still answered, with the module's own verdict on the check byte.
            if (isSend(received.bytes)) return sendData(received.bytes, false);
            return rejected("bad-check", received.bytes);
        case Received::Kind::kGarbage:
            break;
    }
    return rejected("garbage", received.bytes, "bytes=");
}

Answer ModuleModel::answerFrame(const proto::Frame& frame) {
    if (isSend(frame)) return sendData(frame, true);
    const std::optional<proto::Request> request = proto::decodeRequest(frame);
    if (!request) return rejected(refusal(frame), frame);
    if (const auto* write = std::get_if<proto::WriteSetupRequest>(&*request))
        return writeSetup(write->setup);
    if (std::holds_alternative<proto::ReadSetupRequest>(*request))
        return {"request read-setup", proto::encode(proto::SetupReply{m_setup})};
    if (std::holds_alternative<proto::RouteListRequest>(*request))
        return {"request read-route", m_radio.routeListReply(m_setup)};
    return {"request read-path", m_radio.pathListReply(m_setup)};
}

Answer ModuleModel::writeSetup(const proto::Setup& setup) {
    m_setup = setup;
    return {"request write-setup " + describe(m_setup), acknowledgement(m_setup, m_ackLength)};
}

Answer ModuleModel::sendData(const proto::Frame& frame, bool checkOk) {
    const std::optional<proto::Request> decoded = proto::decodeRequest(frame);
    const auto* request = decoded ? std::get_if<proto::SendDataRequest>(&*decoded) : nullptr;
    const std::uint16_t target = request ? request->target : proto::sendTarget(frame);
    Carried carried;
    if (!checkOk) {
        carried.status = proto::kStatusCheckError;
    } else if (!request) {
        carried.status = proto::kStatusInvalidRequest;
    } else {
        carried = m_radio.carry(m_setup, *request);
    }
    std::string line = "request send-data " +
                       (request ? describe(*request) : "frame=" + proto::hexDigits(frame)) +
                       " check=" + (checkOk ? "ok" : "bad") +
                       " status=" + proto::hexByte(carried.status) + carried.note;
    return {std::move(line), proto::encode(proto::SendStatus{target, carried.status}),
            carried.latency};
}

std::optional<Answer> ModuleModel::receiveNotice() {
    const auto content = m_meshRadio ? m_meshRadio->madeUpNotice(m_setup) : std::nullopt;
    if (!content) return std::nullopt;
    return Answer{"notice source=" + std::to_string(content->source) +
                      " data=" + proto::hexDigits(content->data),
                  proto::encode(proto::ReceiveNotice{*content})};
}

}  // namespace sim
