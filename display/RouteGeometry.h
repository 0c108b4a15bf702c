#pragma once

namespace display {

// Where the route list window puts its node badges and draws its lines, in content pixels: a
// row per route with the route badge and the target badge on it, the trunk between the local
// badge and the rows, each row's line through the middle of its badges.

inline constexpr int kBadgeSize = 40;
inline constexpr int kFirstRowTop = 5;
inline constexpr unsigned kRowPitch = 48;
inline constexpr int kLocalLeft = 10;
inline constexpr int kTrunkX = 100;
inline constexpr int kRouteLeft = 160;
inline constexpr int kTargetLeft = 300;

inline constexpr int kSurfaceWidth = 100;  // the scroll width the window sets
inline constexpr int kRowHeight = 50;      // the scroll height per row

}  // namespace display
