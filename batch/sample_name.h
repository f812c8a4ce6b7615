#pragma once
// The name a row gives its sample, as every output names it: a report's
// page, a failed row in the tray's list, an exported spectrum's file.

#include "batch_reader.h"

#include <string>

namespace batch {

// The row's cell in the column that names the samples: the first whose
// header is a name's ("样品" for a long, CGATS or TM-27 file, SAMPLE_ID, an
// ID column), in that order; else the first column, unless it holds a
// coordinate that is read or a wavelength. Cut after 120 bytes (with "…");
// empty when the row has none.
std::string SampleName(const RatedRow &row, const Layout &layout);

} // namespace batch
