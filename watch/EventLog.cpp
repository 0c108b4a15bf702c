#include "EventLog.h"

#include <cstdio>

#include "EventText.h"

namespace watch {

void EventLog::said(const Event& event) {
    const std::string line =
        m_json ? eventJson(event).dump(-1, ' ', false, modlink::Json::error_handler_t::replace)
               : eventLine(event);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace watch
