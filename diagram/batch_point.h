#pragma once

#include <cstdint>

namespace diagram {

// One row of a batch as the diagram draws it.
struct BatchPoint {
    double x;
    double y;
    int steps; // the screens' number of the row; -1 when not rated (cendrel)
    std::int64_t line = 0; // the row's line in its file, as the batch window names it; 0: not known
};

} // namespace diagram
