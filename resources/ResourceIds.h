#pragma once
// Resource and control ids of the layouts, named once.

#include <string_view>

#include "ShownText.h"

namespace res {

inline constexpr int kDialogAbout = 100;
inline constexpr int kDialogMain = 102;
inline constexpr int kDialogMesh = 133;
inline constexpr int kDialogPath = 134;

inline constexpr std::string_view kAboutItemText =
    SHOWN_TEXT("Meshcfg", "关于 Meshcfg(&A)...");  // string 101

// Log menu 135: pop-up SHOWN_TEXT("Meshcfg", "编辑") with its commands.
inline constexpr std::string_view kLogMenuTitle = SHOWN_TEXT("Meshcfg", "编辑");
inline constexpr std::string_view kCopyAllText = SHOWN_TEXT("Meshcfg", "全部复制");
inline constexpr std::string_view kClearAllText = SHOWN_TEXT("Meshcfg", "全部清空");
inline constexpr std::string_view kSaveAllText = SHOWN_TEXT("Meshcfg", "全部保存...");

// Main window, template 102.
inline constexpr int kIdPortList = 1001;
inline constexpr int kIdPortBaud = 1002;
inline constexpr int kIdPortParity = 1003;
inline constexpr int kIdOpenClose = 1004;
inline constexpr int kIdUartBaud = 1005;
inline constexpr int kIdUartParity = 1006;
inline constexpr int kIdRouteMode = 1007;
inline constexpr int kIdReadRoute = 1008;
inline constexpr int kIdLog = 1009;
inline constexpr int kIdFrequency = 1010;
inline constexpr int kIdPower = 1011;
inline constexpr int kIdLifeCycle = 1012;
inline constexpr int kIdNetworkId = 1013;
inline constexpr int kIdNodeId = 1014;
inline constexpr int kIdWrite = 1015;
inline constexpr int kIdRead = 1016;
inline constexpr int kIdTargetId = 1017;
inline constexpr int kIdJump = 1018;
inline constexpr int kIdAckRequest = 1019;
inline constexpr int kIdData = 1020;
inline constexpr int kIdSendData = 1021;
inline constexpr int kIdInterval = 1022;
inline constexpr int kIdContinuous = 1023;
inline constexpr int kIdReadPath = 1024;
inline constexpr int kIdRelayFirst = 1025;  // six relay fields 1025 ... 1030
inline constexpr int kRelayFieldCount = 6;
inline constexpr int kIdRelaying = 1043;
inline constexpr int kIdRefresh = 1044;

// The five command buttons that the port state and continuous sending lock.
inline constexpr int kCommandButtons[] = {kIdWrite, kIdRead, kIdReadRoute, kIdSendData,
                                          kIdReadPath};

// Route list window, template 133.
inline constexpr int kIdMeshLegendLocal = 1015;
inline constexpr int kIdMeshLegendRoute = 1016;
inline constexpr int kIdMeshLegendTarget = 1017;
inline constexpr int kIdDrawView = 0xE900;
inline constexpr int kIdRouteBadgeFirst = 1005;
inline constexpr int kIdLocalBadge = 2005;
inline constexpr int kIdTargetBadgeFirst = 3005;

// Path window, template 134.
inline constexpr int kIdPathBadgeFirst = 1015;  // nine path badges 1015 ... 1023
inline constexpr int kPathBadgeCount = 9;
inline constexpr int kIdPathLegendLocal = 1024;
inline constexpr int kIdPathLegendRoute = 1025;
inline constexpr int kIdPathLegendTarget = 1026;
inline constexpr int kIdLinkMarkFirst = 1027;   // eight link marks 1027 ... 1034
inline constexpr int kIdLinkValueFirst = 1035;  // eight value labels 1035 ... 1042
inline constexpr int kLinkCount = 8;

// About box, template 100.
inline constexpr int kIdOk = 1;

}  // namespace res
