#pragma once
// How the map colours a line by its link value (shown as minus the value, so a smaller value is
// a stronger link): three bands, and grey where no path hop gave a value.

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace meshapp {

enum class LinkBand { Strong, Fair, Weak, Unknown };

inline constexpr std::array kLinkBands = {LinkBand::Strong, LinkBand::Fair, LinkBand::Weak,
                                          LinkBand::Unknown};
inline constexpr int kStrongUpTo = 60;  // -60 and stronger
inline constexpr int kFairUpTo = 80;    // -61 to -80; weaker is weak

LinkBand linkBandOf(std::optional<std::uint8_t> linkValue);
QColor linkBandColor(LinkBand band);
QString linkBandText(LinkBand band);  // for the legend: "-61 to -80", "not read"

}  // namespace meshapp
