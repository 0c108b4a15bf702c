#include "DeferredWork.h"

namespace station {

DeferredWork::DeferredWork(std::size_t parties, std::function<bool()> work)
    : m_work(std::move(work)), m_waitingFor(parties) {
    if (parties == 0) begin();
}

void DeferredWork::allow() {
    // Parties beyond the number given find the work begun already.
    std::size_t left = m_waitingFor.load();
    while (left > 0 && !m_waitingFor.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 1) begin();
}

bool DeferredWork::answer() {
    begin();
    return m_answer.get();
}

void DeferredWork::begin() {
    std::call_once(m_once, [this] { m_answer = std::async(std::launch::async, m_work).share(); });
}

}  // namespace station
