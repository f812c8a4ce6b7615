#pragma once

namespace diagram {

// One row of a batch as the diagram draws it.
struct BatchPoint {
    double x;
    double y;
    int steps; // the screens' number of the row; -1 when not rated (cendrel)
};

} // namespace diagram
