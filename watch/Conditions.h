#pragma once
// Conditions that last, such as a weak link or a fault of the mesh, each said when it starts and
// when it ends and never in between. A survey that does not see the thing at all (its module did
// not answer this time) does not end its condition: only `lostAfter` surveys in a row without it
// do, as a node is taken as down.

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace watch {

template <typename Key, typename Value>
class Conditions {
  public:
    // The condition holds with this value: true when it starts now.
    bool holds(const Key& key, Value value) {
        const auto [open, started] = m_open.try_emplace(key, Open{value, 0, true});
        open->second.value = std::move(value);
        open->second.seen = true;
        return started;
    }

    // It was seen not to hold: the value it had when it was open, else nothing.
    std::optional<Value> ended(const Key& key) {
        const auto open = m_open.find(key);
        if (open == m_open.end()) return std::nullopt;
        Value value = std::move(open->second.value);
        m_open.erase(open);
        return value;
    }

    // At the end of a survey: those not seen in `lostAfter` surveys in a row, ended.
    std::vector<std::pair<Key, Value>> endUnseen(int lostAfter) {
        std::vector<std::pair<Key, Value>> gone;
        for (auto open = m_open.begin(); open != m_open.end();) {
            Open& state = open->second;
            state.unseen = state.seen ? 0 : state.unseen + 1;
            state.seen = false;
            if (state.unseen < lostAfter) {
                ++open;
                continue;
            }
            gone.emplace_back(open->first, std::move(state.value));
            open = m_open.erase(open);
        }
        return gone;
    }

  private:
    struct Open {
        Value value;
        int unseen = 0;
        bool seen = false;
    };
    std::map<Key, Open> m_open;
};

}  // namespace watch
