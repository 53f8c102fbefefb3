#pragma once
// The copy's simulated histories run side by side: each history is a function of its seed alone
// (its own files, its own disk-call table), so they are spread over child processes, one per
// processor, and their outcomes gathered in the order of the seeds. A process is forked only
// while this one runs no other thread (a lock another thread holds would stay held in the
// child); otherwise, and for one worker, the histories run here, one after another.

#include "event_copy_sim.h"

#include <cstdint>
#include <vector>

// The number of processors this process may use, at least 1.
unsigned SimWorkers();

// The outcome of the history of each seed with `steps` steps, in the order of `seeds`. A
// history whose process died says so in its outcome, and the histories its process had still
// to run are not kept either.
std::vector<TSimOutcome> RunEventCopyHistories(const std::vector<uint32_t>& seeds, uint32_t steps,
                                               unsigned workers);
