#pragma once
// A delivery pair's figures as tests write them: who sent to whom, how many, how many arrived.

#include "DeliveryEvents.h"

inline delivery::PairSummary pairOf(std::size_t from, std::size_t to, int sent, int delivered,
                                    int pending = 0) {
    delivery::PairSummary pair;
    pair.from = from;
    pair.to = to;
    pair.sent = sent;
    pair.delivered = delivered;
    pair.pending = pending;
    return pair;
}
