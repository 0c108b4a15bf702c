#pragma once
// Dialog layouts as plain data: the windows are built from these tables by one builder,
// so positions, texts, styles and tab order live in one place.

#include <cstdint>
#include <span>
#include <string_view>

namespace layout {

enum class Kind { GroupBox, Static, Edit, RichEdit, DropDown, PushButton, CheckBox, Icon };

enum Style : std::uint32_t {
    kNoStyle = 0,
    kDisabled = 1u << 0,
    kHidden = 1u << 1,
    kSorted = 1u << 2,
    kReadOnly = 1u << 3,
    kVScroll = 1u << 4,
    kDefaultButton = 1u << 5,
};

inline constexpr int kNoId = -1;

struct ControlTemplate {
    int id;
    Kind kind;
    std::string_view text;
    std::uint32_t style;
    int x, y, w, h;            // dialog units
    std::string_view items{};  // drop-down entries that come with the layout, '|' separated
};

struct DialogTemplate {
    int id;
    std::string_view caption;
    int fontPoints;
    int width, height;  // dialog units
    std::span<const ControlTemplate> controls;
};

// Templates 100 (about box), 102 (main window), 133 (route list), 134 (path).
const DialogTemplate& dialogTemplate(int id);

}  // namespace layout
