#include "ModuleModel.h"

#include <algorithm>
#include <cstdio>

#include "MeshReplies.h"
#include "WireFields.h"

namespace sim {

namespace {

constexpr std::uint8_t kSetupMarker = 0xA5;
constexpr std::size_t kSetupPayloadSize = 13;
constexpr std::size_t kMarkerOffset = 4;
constexpr std::size_t kValuesOffset = 6;
constexpr std::uint8_t kNoticeLinkValue = 60;

// Start values: 434 MHz, power 7, life cycle 1h, network id 1, baud 9600, no parity; the node
// id is the mesh's local node.
constexpr std::uint8_t kStartFrequency[] = {0x6C, 0x80, 0x12};
constexpr std::uint8_t kStartPower = 7;
constexpr std::uint8_t kStartLifeCycle = 0;
constexpr std::uint16_t kStartNetworkId = 1;
constexpr std::uint8_t kStartBaudIndex = 3;
constexpr std::uint8_t kStartParityIndex = 0;

// Offsets of the setup values in the stored array.
enum SetupValue : std::size_t {
    kFrequency = 0,
    kPower = 3,
    kLifeCycle = 4,
    kNetworkId = 5,
    kNodeId = 7,
    kBaud = 9,
    kParity = 10,
};

// Upper-case hex digits without spaces: one word of a log line.
std::string hexText(proto::Bytes bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char cell[3];
        std::snprintf(cell, sizeof cell, "%02X", b);
        text += cell;
    }
    return text;
}

std::string hexText(std::uint16_t id) {
    proto::Frame bytes;
    proto::appendBe16(bytes, id);
    return hexText(bytes);
}

Answer rejected(std::string_view reason, proto::Bytes bytes, std::string_view field = "frame=") {
    return {"rejected " + std::string(reason) + " " + std::string(field) + hexText(bytes), {}};
}

bool isSetupFrame(const proto::Frame& frame) {
    return frame.size() == kSetupPayloadSize + 5 && frame[kMarkerOffset] == kSetupMarker &&
           frame[kMarkerOffset + 1] == kSetupMarker;
}

std::string describe(const SendRequest& request) {
    std::string relays = "relays=" + std::to_string(request.relays.size());
    for (std::size_t k = 0; k < request.relays.size(); ++k) {
        relays += (k == 0 ? " via=" : ",") + hexText(request.relays[k]);
    }
    return "target=" + std::to_string(request.target) + " ack=" + std::to_string(request.ack) +
           " jump=" + std::to_string(request.jump) + " mode=" + std::to_string(request.routeMode) +
           " " + relays + " data=" + hexText(request.data);
}

}  // namespace

ModuleModel::ModuleModel(Mesh mesh) : m_mesh(std::move(mesh)) {
    std::copy(std::begin(kStartFrequency), std::end(kStartFrequency), m_setup.begin());
    m_setup[kPower] = kStartPower;
    m_setup[kLifeCycle] = kStartLifeCycle;
    m_setup[kNetworkId] = kStartNetworkId >> 8;
    m_setup[kNetworkId + 1] = kStartNetworkId & 0xFF;
    m_setup[kNodeId] = m_mesh.localNode >> 8;
    m_setup[kNodeId + 1] = m_mesh.localNode & 0xFF;
    m_setup[kBaud] = kStartBaudIndex;
    m_setup[kParity] = kStartParityIndex;
}

Answer ModuleModel::answer(const Received& received) {
    switch (received.kind) {
        case Received::Kind::kFrame:
            return answerFrame(received.bytes);
        case Received::Kind::kBadCheck:
            // A send is still answered, with the module's own verdict on the check byte.
            if (received.bytes[0] == proto::kTypeNetData && received.bytes[2] == proto::kCmdSendData) {
                return sendData(received.bytes, false);
            }
            return rejected("bad-check", received.bytes);
        case Received::Kind::kGarbage:
            break;
    }
    return rejected("garbage", received.bytes, "bytes=");
}

Answer ModuleModel::answerFrame(const proto::Frame& frame) {
    const std::uint8_t type = frame[0];
    const std::uint8_t code = frame[2];
    if (type == proto::kTypeNetData && code == proto::kCmdSendData) return sendData(frame, true);
    if (type == proto::kTypeModule) {
        switch (code) {
            case proto::kCmdWriteSetup:
                return isSetupFrame(frame) ? writeSetup(frame) : rejected("bad-setup", frame);
            case proto::kCmdReadSetup:
                return isSetupFrame(frame) ? readSetup() : rejected("bad-setup", frame);
            case proto::kCmdReadRoute:
                if (frame.size() != 5) return rejected("bad-length", frame);
                return {"request read-route", routeListReply(m_mesh)};
            case proto::kCmdReadPath:
                if (frame.size() != 5) return rejected("bad-length", frame);
                return {"request read-path", pathListReply(m_mesh)};
            default:
                break;
        }
    }
    return rejected("unknown-command", frame);
}

Answer ModuleModel::writeSetup(const proto::Frame& frame) {
    std::copy_n(frame.begin() + kValuesOffset, kSetupValueCount, m_setup.begin());
    const auto value = [this](SetupValue at) { return std::to_string(m_setup[at]); };
    const auto id = [this](SetupValue at) {
        return std::to_string(proto::readBe16(m_setup, at));
    };
    return {"request write-setup freq=" + hexText(proto::Bytes(m_setup).first(3)) +
                " power=" + value(kPower) + " life=" + value(kLifeCycle) + " net=" + id(kNetworkId) +
                " node=" + id(kNodeId) + " baud=" + value(kBaud) + " parity=" + value(kParity),
            setupReply(proto::kReplySetupWritten)};
}

Answer ModuleModel::readSetup() const {
    return {"request read-setup", setupReply(proto::kReplySetup)};
}

proto::Frame ModuleModel::setupReply(std::uint8_t code) const {
    proto::Frame payload{kSetupMarker, kSetupMarker};
    payload.insert(payload.end(), m_setup.begin(), m_setup.end());
    return proto::buildFrame(proto::kTypeModule, code, payload);
}

Answer ModuleModel::sendData(const proto::Frame& frame, bool checkOk) const {
    const auto request = parseSendRequest(frame);
    const std::uint16_t target = request ? request->target : sendTarget(frame);
    std::uint8_t status = kStatusOk;
    if (!checkOk) {
        status = kStatusCheckError;
    } else if (!request) {
        status = kStatusInvalidRequest;
    } else if (!m_mesh.contains(target)) {
        status = kStatusRouteNotFound;
    }
    proto::Frame payload;
    proto::appendBe16(payload, target);
    payload.push_back(status);
    const std::string fields = request ? describe(*request) : "frame=" + hexText(frame);
    return {"request send-data " + fields + " check=" + (checkOk ? "ok" : "bad") +
                " status=" + hexText(proto::Bytes(payload).last(1)),
            proto::buildFrame(proto::kTypeNetData, kSendConfirmCode, payload)};
}

std::optional<Answer> ModuleModel::receiveNotice() {
    const auto nodes = m_mesh.remoteNodes();
    if (nodes.empty()) return std::nullopt;
    const NodeId source = nodes[m_notices % nodes.size()];
    proto::Frame data;
    proto::appendBe16(data, m_notices++);
    proto::Frame payload;
    proto::appendBe16(payload, source);
    payload.push_back(kNoticeLinkValue);
    payload.push_back(static_cast<std::uint8_t>(data.size()));
    payload.insert(payload.end(), data.begin(), data.end());
    return Answer{"notice source=" + std::to_string(source) + " data=" + hexText(data),
                  proto::buildFrame(proto::kTypeNetData, proto::kCmdReceiveNotice, payload)};
}

}  // namespace sim
