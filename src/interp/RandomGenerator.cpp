#include "interp/RandomGenerator.h"

#include "platform/System.h"

#include <chrono>
#include <ctime>

namespace zk {

uint32_t TRandomGenerator::TimeOfDaySeed() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const std::tm local = LocalTime(seconds);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                                 millis);
}

} // namespace zk
