#include "HandedOverFrames.h"

#include <iterator>

namespace serial {

void HandedOverFrames::add(std::span<const std::uint8_t> frame) {
    m_bytes.insert(m_bytes.end(), frame.begin(), frame.end());
    m_sizes.push_back(static_cast<std::uint32_t>(frame.size()));
    while (m_bytes.size() - m_sizes.front() >= m_mostBytes) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + m_sizes.front());
        m_sizes.pop_front();
    }
}

void HandedOverFrames::clear() {
    m_bytes.clear();
    m_sizes.clear();
}

std::vector<std::vector<std::uint8_t>> HandedOverFrames::takeNewest(std::size_t bytes) {
    std::size_t newer = 0;
    std::size_t count = 0;
    while (count < m_sizes.size() && newer < bytes) newer += m_sizes[m_sizes.size() - ++count];
    std::vector<std::vector<std::uint8_t>> frames;
    auto start = m_bytes.end() - static_cast<std::ptrdiff_t>(newer);
    for (auto size = m_sizes.end() - static_cast<std::ptrdiff_t>(count); size != m_sizes.end();
         ++size) {
        frames.emplace_back(start, start + *size);
        start += *size;
    }
    clear();
    return frames;
}

}  // namespace serial
