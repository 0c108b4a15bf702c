#pragma once
// Events on standard output as they are said, one line each (the journal keeps them under a
// service), or one JSON object a line for a program that reads them.

#include "WatchSink.h"

namespace watch {

class EventLog final : public WatchSink {
  public:
    explicit EventLog(bool json) : m_json(json) {}
    void said(const Event& event) override;
    void changed(const std::shared_ptr<const WatchState>&) override {}

  private:
    const bool m_json;
};

}  // namespace watch
