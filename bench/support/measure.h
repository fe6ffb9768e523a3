// Small measuring tools every bench program shares: the heap in use, a monotonic clock in
// microseconds, percentiles, the fast-mode switch and the one output row the table is made of.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// Bytes the allocator holds for the program right now (mallinfo2: in use plus mapped). Differences
// of it are exact even after frees, unlike the resident size.
std::size_t heapInUse();

// CLOCK_MONOTONIC, shared by every process on the machine (start-up compares across processes).
double nowUs();
// CPU time of the calling thread: the cost of a stretch of work, without the time other
// processes on the machine took from it.
double threadCpuUs();

// Moves the calling thread to a real-time policy (SCHED_FIFO at `priority`) when allowed, so
// other load on the machine cannot hold it up for milliseconds; threads and processes it starts
// later get the ordinary policy again (SCHED_RESET_ON_FORK) unless they ask themselves.
// QM47_BENCH_NO_RT=1 turns it off. True when it took effect.
bool preferRealTime(int priority);

// QM47_BENCH_FAST=1 (set by `scripts/bench.sh --fast`): smaller runs.
bool fastMode();

// The p-th percentile (0..100) by nearest rank; the vector is sorted in place.
double percentile(std::vector<double>& values, double p);

// One row of the table: "ROW<TAB>item<TAB>figure<TAB>program<TAB>baseline<TAB>goal<TAB>met".
// The bench script collects these lines from every program's output.
void printRow(const std::string& item, const std::string& figure, const std::string& program,
              const std::string& baseline, const std::string& goal, const std::string& met);

// A number with `digits` decimals, and "yes"/"no" for a goal.
std::string fixed(double value, int digits);
inline std::string yesNo(bool met) {
    return met ? "yes" : "no";
}

}  // namespace bench
