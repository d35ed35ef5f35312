// parallelRows: the one executor of the pixel routines. It splits [0, rows) into bands and runs
// them on the machine's cores; routines never start threads themselves.
#pragma once

#include <algorithm>
#include <functional>

namespace virmeya {

// Number of worker threads used for pixel work (hardware concurrency, at least 1). The environment
// variable VIRMEYA_THREADS overrides it (1 gives the sequential reference behaviour).
int workerCount();

// Runs band(y0, y1) over disjoint bands covering [0, rows). Use it only where the result does not
// depend on the order of rows. Bands smaller than minRows are not split further.
void parallelRows(int rows, const std::function<void(int y0, int y1)>& band, int minRows = 32);

}  // namespace virmeya
