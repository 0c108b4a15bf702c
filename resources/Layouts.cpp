#include <stdexcept>

#include "DialogTemplate.h"
#include "ListItems.h"
#include "ResourceIds.h"
#include "ShownText.h"

namespace layout {
namespace {

using enum Kind;
using namespace res;

// Template 100: the about box.
constexpr ControlTemplate kAboutControls[] = {
    {kNoId, Icon, "", kNoStyle, 14, 14, 21, 20},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "Meshcfg，1.0 版"), kNoStyle, 42, 14, 114, 8},
    {kIdOk, PushButton, SHOWN_TEXT("Meshcfg", "确定"), kDefaultButton, 113, 41, 50, 14},
};

// Template 102: the main window, in tab order.
constexpr ControlTemplate kMainControls[] = {
    {kNoId, GroupBox, "Usart Select", kNoStyle, 9, 3, 87, 99},
    {kNoId, Static, "Comm:", kNoStyle, 14, 20, 28, 8},
    {kIdPortBaud, DropDown, "", kNoStyle, 47, 38, 44, 30, kBaudRateItems.view()},
    {kNoId, Static, "BaudRate:", kNoStyle, 14, 39, 32, 8},
    {kIdPortParity, DropDown, "", kNoStyle, 47, 58, 44, 30, kParityItems.view()},
    {kNoId, Static, "Parity:", kNoStyle, 14, 59, 28, 8},
    {kIdOpenClose, PushButton, "Open", kNoStyle, 17, 78, 34, 14},
    {kIdPortList, DropDown, "", kNoStyle, 47, 19, 44, 30},
    {kNoId, GroupBox, SHOWN_TEXT("Meshcfg", "数据信息框"), kNoStyle, 97, 3, 213, 99},
    {kIdLog, RichEdit, "", kReadOnly | kVScroll, 101, 14, 206, 80},
    {kNoId, GroupBox, "RF Config", kNoStyle, 9, 104, 301, 82},
    {kNoId, GroupBox, "Send test:", kNoStyle, 9, 189, 301, 98},
    {kNoId, Static, "Frequency:", kNoStyle, 16, 120, 36, 8},
    {kIdFrequency, Edit, "", kNoStyle, 53, 118, 56, 13},
    {kNoId, Static, "Power:", kNoStyle, 114, 120, 23, 8},
    {kIdPower, DropDown, "", kNoStyle, 145, 118, 56, 30, kPowerItems.view()},
    {kNoId, Static, "Life Cycle:", kNoStyle, 207, 120, 32, 8},
    {kIdLifeCycle, DropDown, "", kNoStyle, 245, 119, 56, 30, kLifeCycleItems.view()},
    {kNoId, Static, "Network id:", kNoStyle, 16, 144, 38, 8},
    {kIdNetworkId, Edit, "", kNoStyle, 53, 142, 56, 13},
    {kNoId, Static, "Node id:", kNoStyle, 114, 144, 27, 8},
    {kIdNodeId, Edit, "", kNoStyle, 145, 142, 56, 13},
    {kIdUartBaud, DropDown, "", kNoStyle, 245, 143, 56, 30, kBaudRateItems.view()},
    {kNoId, Static, "BaudRate:", kNoStyle, 207, 144, 33, 8},
    {kIdUartParity, DropDown, "", kNoStyle, 53, 165, 56, 30, kParityItems.view()},
    {kNoId, Static, "Parity:", kNoStyle, 16, 166, 20, 8},
    {kIdWrite, PushButton, "Write", kNoStyle, 121, 164, 43, 14},
    {kIdRead, PushButton, "Read", kNoStyle, 167, 164, 43, 14},
    {kIdReadRoute, PushButton, "Read Route", kNoStyle, 213, 164, 43, 14},
    {kNoId, Static, "Target id:", kNoStyle, 19, 204, 32, 8},
    {kIdTargetId, Edit, "", kNoStyle, 51, 202, 42, 13},
    {kIdRouteMode, DropDown, "", kNoStyle, 139, 202, 42, 30, kRouteModeItems.view()},
    {kNoId, Static, "Route mode:", kNoStyle, 96, 204, 42, 8},
    {kIdJump, DropDown, "", kSorted, 206, 202, 42, 30, kJumpItems.view()},
    {kNoId, Static, "Jump:", kNoStyle, 184, 204, 20, 8},
    {kIdAckRequest, CheckBox, "ACK Request", kHidden, 256, 203, 51, 10},
    {kIdData, RichEdit, "", kVScroll, 15, 219, 235, 45},
    {kIdSendData, PushButton, "Send data", kNoStyle, 253, 219, 50, 14},
    {kIdInterval, DropDown, "", kNoStyle, 256, 250, 44, 30, kIntervalItems.view()},
    {kIdContinuous, CheckBox, "Continuous", kNoStyle, 256, 236, 46, 10},
    {kIdReadPath, PushButton, "Read Path", kNoStyle, 259, 164, 43, 14},
    {kIdRelayFirst + 0, Edit, "", kDisabled, 51, 269, 32, 13},
    {kNoId, Static, "Relay list:", kNoStyle, 19, 270, 30, 8},
    {kIdRelayFirst + 1, Edit, "", kDisabled, 83, 269, 32, 13},
    {kIdRelayFirst + 2, Edit, "", kDisabled, 115, 269, 32, 13},
    {kIdRelayFirst + 3, Edit, "", kDisabled, 147, 269, 32, 13},
    {kIdRelayFirst + 4, Edit, "", kDisabled, 179, 269, 32, 13},
    {kIdRelayFirst + 5, Edit, "", kDisabled, 211, 269, 32, 13},
    {kNoId, Static, "Relaying:", kNoStyle, 248, 270, 28, 8},
    {kIdRelaying, DropDown, "", kSorted | kDisabled, 277, 269, 24, 30, kRelayingItems.view()},
    {kIdRefresh, PushButton, "Refresh", kNoStyle, 54, 78, 34, 14},
};

// Template 133: the route list window; the drawing surface is added at run time.
constexpr ControlTemplate kMeshControls[] = {
    {kNoId, GroupBox, SHOWN_TEXT("Meshcfg", "图例说明"), kNoStyle, 6, 5, 257, 40},
    {kIdMeshLegendLocal, PushButton, "S", kNoStyle, 22, 16, 27, 24},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "本地节点"), kNoStyle, 51, 24, 33, 8},
    {kIdMeshLegendRoute, PushButton, "R", kNoStyle, 93, 16, 27, 24},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "路由节点"), kNoStyle, 122, 24, 33, 8},
    {kIdMeshLegendTarget, PushButton, "D", kNoStyle, 163, 16, 27, 24},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "目标节点"), kNoStyle, 193, 24, 33, 8},
};

// Template 134: the path window; every badge and label exists from the start.
constexpr ControlTemplate kPathControls[] = {
    {kIdPathBadgeFirst + 0, PushButton, "S", kNoStyle, 24, 71, 27, 25},
    {kIdPathBadgeFirst + 1, PushButton, "0004", kNoStyle, 68, 71, 27, 25},
    {kIdPathBadgeFirst + 2, PushButton, "0005", kNoStyle, 112, 71, 27, 25},
    {kIdPathBadgeFirst + 3, PushButton, "0006", kNoStyle, 156, 71, 27, 25},
    {kIdPathBadgeFirst + 4, PushButton, "0007", kNoStyle, 200, 71, 27, 25},
    {kIdPathBadgeFirst + 5, PushButton, "0008", kNoStyle, 244, 71, 27, 25},
    {kIdPathBadgeFirst + 6, PushButton, "0009", kNoStyle, 288, 71, 27, 25},
    {kIdPathBadgeFirst + 7, PushButton, "000A", kNoStyle, 332, 71, 27, 25},
    {kIdPathBadgeFirst + 8, PushButton, "D", kNoStyle, 376, 71, 27, 25},
    {kNoId, GroupBox, SHOWN_TEXT("Meshcfg", "图例说明"), kNoStyle, 92, 9, 232, 43},
    {kIdPathLegendLocal, PushButton, "S", kNoStyle, 108, 21, 27, 25},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "本地节点"), kNoStyle, 137, 29, 33, 8},
    {kIdPathLegendRoute, PushButton, "R", kNoStyle, 179, 21, 27, 25},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "路由节点"), kNoStyle, 209, 29, 33, 8},
    {kIdPathLegendTarget, PushButton, "D", kNoStyle, 250, 21, 27, 25},
    {kNoId, Static, SHOWN_TEXT("Meshcfg", "目标节点"), kNoStyle, 280, 29, 33, 8},
    {kIdLinkMarkFirst + 0, Static, "___", kNoStyle, 53 + 44 * 0, 77, 13, 8},
    {kIdLinkMarkFirst + 1, Static, "___", kNoStyle, 53 + 44 * 1, 77, 13, 8},
    {kIdLinkMarkFirst + 2, Static, "___", kNoStyle, 53 + 44 * 2, 77, 13, 8},
    {kIdLinkMarkFirst + 3, Static, "___", kNoStyle, 53 + 44 * 3, 77, 13, 8},
    {kIdLinkMarkFirst + 4, Static, "___", kNoStyle, 53 + 44 * 4, 77, 13, 8},
    {kIdLinkMarkFirst + 5, Static, "___", kNoStyle, 53 + 44 * 5, 77, 13, 8},
    {kIdLinkMarkFirst + 6, Static, "___", kNoStyle, 53 + 44 * 6, 77, 13, 8},
    {kIdLinkMarkFirst + 7, Static, "___", kNoStyle, 53 + 44 * 7, 77, 13, 8},
    {kIdLinkValueFirst + 0, Static, "4C", kNoStyle, 52 + 44 * 0, 92, 14, 8},
    {kIdLinkValueFirst + 1, Static, "32", kNoStyle, 52 + 44 * 1, 92, 14, 8},
    {kIdLinkValueFirst + 2, Static, "4E", kNoStyle, 52 + 44 * 2, 92, 14, 8},
    {kIdLinkValueFirst + 3, Static, "40", kNoStyle, 52 + 44 * 3, 92, 14, 8},
    {kIdLinkValueFirst + 4, Static, "34", kNoStyle, 52 + 44 * 4, 92, 14, 8},
    {kIdLinkValueFirst + 5, Static, "34", kNoStyle, 52 + 44 * 5, 92, 14, 8},
    {kIdLinkValueFirst + 6, Static, "32", kNoStyle, 52 + 44 * 6, 92, 14, 8},
    {kIdLinkValueFirst + 7, Static, "3B", kNoStyle, 52 + 44 * 7, 92, 14, 8},
};

constexpr DialogTemplate kTemplates[] = {
    {kDialogAbout, SHOWN_TEXT("Meshcfg", "关于 Meshcfg"), 9, 170, 62, kAboutControls},
    {kDialogMain, "RF tool qz-470mr v1.2", 9, 319, 294, kMainControls},
    {kDialogMesh, SHOWN_TEXT("Meshcfg", "MESH组网路径读取-------Corvane v1.0"), 8, 270, 241,
     kMeshControls},
    {kDialogPath, SHOWN_TEXT("Meshcfg", "MESH组网路径读取系统"), 8, 435, 129, kPathControls},
};

}  // namespace

const DialogTemplate& dialogTemplate(int id) {
    for (const DialogTemplate& t : kTemplates) {
        if (t.id == id) return t;
    }
    throw std::out_of_range("no dialog template with this id");
}

}  // namespace layout
