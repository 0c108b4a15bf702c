#include "LinkBands.h"

#include <QCoreApplication>

namespace meshapp {

LinkBand linkBandOf(std::optional<std::uint8_t> linkValue) {
    if (!linkValue) return LinkBand::Unknown;
    if (*linkValue <= kStrongUpTo) return LinkBand::Strong;
    if (*linkValue <= kFairUpTo) return LinkBand::Fair;
    return LinkBand::Weak;
}

QColor linkBandColor(LinkBand band) {
    switch (band) {
        case LinkBand::Strong:
            return QColor(0x1a, 0x9e, 0x3f);
        case LinkBand::Fair:
            return QColor(0xe0, 0x8a, 0x00);
        case LinkBand::Weak:
            return QColor(0xd6, 0x27, 0x28);
        case LinkBand::Unknown:
            break;
    }
    return QColor(0x9a, 0x9a, 0x9a);
}

QString linkBandText(LinkBand band) {
    switch (band) {
        case LinkBand::Strong:
            return QCoreApplication::translate("MeshMap", "-%1 or stronger").arg(kStrongUpTo);
        case LinkBand::Fair:
            return QCoreApplication::translate("MeshMap", "-%1 to -%2")
                .arg(kStrongUpTo + 1)
                .arg(kFairUpTo);
        case LinkBand::Weak:
            return QCoreApplication::translate("MeshMap", "weaker than -%1").arg(kFairUpTo);
        case LinkBand::Unknown:
            break;
    }
    return QCoreApplication::translate("MeshMap", "not read");
}

}  // namespace meshapp
