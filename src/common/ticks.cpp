// The 55 ms tick clock.
#include "common/ticks.h"

#include <chrono>

namespace qln {

long tickCount()
{
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<long>(ms / 55);
}

}  // namespace qln
