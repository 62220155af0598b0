// The pseudo-random generator behind RANDOM: one 32-bit linear congruential
// state, advanced once per draw, whose high product bits scale a draw into
// its range without the bias of a remainder.
#pragma once

#include <cstdint>

namespace zk {

class TRandomGenerator {
public:
    explicit TRandomGenerator(uint32_t state = 0) : State(state) {}

    // A number r with 0 <= r < range; 0 when range is 0.
    uint32_t Draw(uint32_t range) {
        State = State * 134775813u + 1u;
        return static_cast<uint32_t>((static_cast<uint64_t>(State) * range) >> 32);
    }

    // ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds of the
    // local time of day.
    static uint32_t TimeOfDaySeed();

    uint32_t State;
};

} // namespace zk
