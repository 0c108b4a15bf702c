#pragma once
// What a port's thread leaves for the face's thread: put under a lock there, taken whole here.

#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace engine {

template <class Item>
class ThreadInbox {
  public:
    void put(Item item) {
        const std::lock_guard lock(m_lock);
        m_items.push_back(std::move(item));
    }
    void putAll(std::vector<Item> items) {
        const std::lock_guard lock(m_lock);
        m_items.insert(m_items.end(), std::make_move_iterator(items.begin()),
                       std::make_move_iterator(items.end()));
    }
    std::vector<Item> takeAll() {
        const std::lock_guard lock(m_lock);
        return std::exchange(m_items, {});
    }

  private:
    std::mutex m_lock;
    std::vector<Item> m_items;
};

}  // namespace engine
