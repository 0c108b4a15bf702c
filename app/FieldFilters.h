#pragma once
// What the main window's edit fields take from the keyboard: digits only and at most 3
// characters in the frequency field, at most 4 in the id fields (digits only) and relay fields,
// and hexadecimal characters only in the id, data and relay fields.

#include <array>

#include "CEdit_Hex_Ex.h"
#include "LayoutBuilder.h"
#include "ResourceIds.h"
#include "TypingFilter.h"

namespace app {

class FieldFilters {
  public:
    void bind(const widgets::DialogControls& controls);

  private:
    TypingFilter m_frequencyTyping;
    std::array<TypingFilter, 3> m_idTyping;  // 1013, 1014, 1017
    std::array<TypingFilter, res::kRelayFieldCount> m_relayTyping;
    std::array<CEdit_Hex_Ex, 3> m_editIds;                         // 1013, 1014, 1017
    CEdit_Hex_Ex m_editData;                                       // 1020
    std::array<CEdit_Hex_Ex, res::kRelayFieldCount> m_editRelays;  // 1025 ... 1030
};

}  // namespace app
