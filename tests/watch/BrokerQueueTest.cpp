// What the watcher keeps for its broker: every event once acknowledged, in order, across lost
// connections; only the latest of a node's state or a survey; the oldest events dropped and
// counted past the bound.

#include <gtest/gtest.h>

#include <sstream>

#include "BrokerQueue.h"

namespace {

using watch::BrokerMessage;
using watch::BrokerQueue;

// A script, one step a word: "e:X" an event X, "r:T=V" topic T's retained latest V, "s:T=V" a
// latest not retained, "n" send the next, "a" the oldest sent is acknowledged, "x" the
// connection is lost. What was sent, "T=V" each, and the dropped count come out.
struct QueueCase {
    std::string name;
    std::size_t bound;
    std::string script;
    std::string sent;
    std::uint64_t dropped = 0;
    bool settled = false;
};

class BrokerQueueScript : public testing::TestWithParam<QueueCase> {};

TEST_P(BrokerQueueScript, SendsWhatItShould) {
    BrokerQueue queue(GetParam().bound);
    std::deque<std::uint64_t> inFlight;
    std::string sent;
    std::istringstream words(GetParam().script);
    for (std::string word; words >> word;) {
        const std::string value = word.size() > 2 ? word.substr(2) : "";
        const auto equals = value.find('=');
        if (word[0] == 'e') queue.event({"event", value, false});
        if (word[0] == 'r' || word[0] == 's')
            queue.latest({value.substr(0, equals), value.substr(equals + 1), word[0] == 'r'});
        if (word == "n") {
            const auto next = queue.next();
            sent += next ? next->message.topic + "=" + next->message.payload + " " : "- ";
            if (next) inFlight.push_back(next->id);
        }
        if (word == "a") {
            queue.acknowledged(inFlight.front());
            inFlight.pop_front();
        }
        if (word == "x") {
            queue.connectionLost();
            inFlight.clear();
        }
    }
    EXPECT_EQ(sent, GetParam().sent);
    EXPECT_EQ(queue.dropped(), GetParam().dropped);
    EXPECT_EQ(queue.settled(), GetParam().settled);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokerQueueScript,
    testing::Values(
        QueueCase{"events_in_order", 10, "e:1 e:2 n a n a n", "event=1 event=2 - ", 0, true},
        QueueCase{"retained_before_events", 10, "e:1 r:n5=down n n n", "n5=down event=1 - ", 0,
                  false},
        QueueCase{"latest_only", 10, "r:n5=down r:n5=up s:survey=a s:survey=b n n n a a",
                  "n5=up survey=b - ", 0, true},
        QueueCase{"same_state_again_is_nothing", 10, "r:n5=up n a r:n5=up n", "n5=up - ", 0, true},
        // Sent, lost before the acknowledgement: sent again, in order, after the retained.
        QueueCase{"unacknowledged_sent_again", 10, "r:w=on e:1 e:2 n a n n x n n n n",
                  "w=on event=1 event=2 w=on event=1 event=2 - ", 0, false},
        QueueCase{"acknowledged_not_again", 10, "e:1 e:2 n n a x n n", "event=1 event=2 event=2 - ",
                  0, false},
        // A state changed while its old value was in flight is sent again once it is taken.
        QueueCase{"changed_in_flight", 10, "r:n5=down n r:n5=up n a n a", "n5=down - n5=up ", 0,
                  true},
        QueueCase{"oldest_dropped", 2, "e:1 e:2 e:3 e:4 n a n a n", "event=3 event=4 - ", 2, true},
        QueueCase{"nothing_kept", 0, "e:1 n", "- ", 1, true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
