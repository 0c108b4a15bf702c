#include "RequestLog.h"

namespace sim {

void RequestLog::write(std::string_view line) {
    if (m_out == nullptr) return;
    std::fprintf(m_out, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(m_out);
}

}  // namespace sim
