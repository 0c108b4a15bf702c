#pragma once
// The log's fixed lines for replies whose values no control shows.

#include <string_view>

namespace forms {

inline constexpr std::string_view kReceivedOk = "> Received ok.";
inline constexpr std::string_view kRouteError = "> Read route error,type:path error.";

}  // namespace forms
