#pragma once
// A single module's radio: the mesh of a mesh file, the same whatever the module's setup, and
// data carried along its routes at its links' rates.

#include <cstdint>
#include <optional>

#include "Delivery.h"
#include "LabMesh.h"
#include "Radio.h"

namespace sim {

class MeshRadio : public Radio {
  public:
    // seed: where the draws of the links' losses start.
    MeshRadio(Mesh mesh, unsigned seed) : m_mesh(std::move(mesh)), m_delivery(seed) {}

    const Mesh& mesh() const { return m_mesh; }

    proto::Frame routeListReply(const proto::Setup& own) override;
    proto::Frame pathListReply(const proto::Setup& own) override;
    Carried carry(const proto::Setup& own, const proto::SendDataRequest& request) override;

    // Data from the mesh's remote nodes in turn, two bytes counting up; nothing when the mesh
    // has no node but the local one. own: the module's setup now; never a notice from its id.
    std::optional<proto::NoticeContent> madeUpNotice(const proto::Setup& own);

  private:
    Mesh m_mesh;
    Delivery m_delivery;
    std::uint16_t m_notices = 0;
};

}  // namespace sim
