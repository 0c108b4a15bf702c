#pragma once
// The module's side of the protocol: maps each frame it receives to the line it logs and the
// reply it sends, and keeps the setup values a Write setup stores.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "Delivery.h"
#include "FrameParser.h"
#include "Mesh.h"
#include "SendData.h"

namespace sim {

inline constexpr std::uint8_t kSendConfirmCode = 0x81;  // with proto::kTypeNetData
inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusInvalidRequest = 0xC2;
inline constexpr std::uint8_t kStatusRouteNotFound = 0xC7;
inline constexpr std::uint8_t kStatusCheckError = 0xE1;
inline constexpr std::uint8_t kStatusApsNoAck = 0xD2;  // a hop after the first lost the data
inline constexpr std::uint8_t kStatusNoAck = 0xE7;     // the first hop lost it

// Bytes 6 to 16 of the setup frames: frequency register, power, life cycle, network id, node id,
// UART baud index and parity index.
using SetupBytes = std::array<std::uint8_t, 11>;

struct Answer {
    std::string logLine;  // "request ...", "rejected ..." or "notice ..."
    std::optional<proto::Frame> reply;
    std::chrono::milliseconds latency{0};  // the mesh's share of the time before the reply
};

class ModuleModel {
  public:
    // seed: where the draws of the links' losses start.
    explicit ModuleModel(Mesh mesh, unsigned seed = 0);

    Answer answer(const Received& received);

    // Data that arrived from a mesh node, reported without being asked; each call names the
    // next remote node. Nothing when the mesh has no node but the local one.
    std::optional<Answer> receiveNotice();

  private:
    Answer answerFrame(const proto::Frame& frame);
    Answer writeSetup(const proto::Frame& frame);
    Answer readSetup() const;
    Answer sendData(const proto::Frame& frame, bool checkOk);
    proto::Frame setupReply(std::uint8_t code) const;

    Mesh m_mesh;
    Delivery m_delivery;
    SetupBytes m_setup{};
    std::uint16_t m_notices = 0;
};

}  // namespace sim
