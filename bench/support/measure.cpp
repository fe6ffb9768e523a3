#include "bench/support/measure.h"

#include <malloc.h>
#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace bench {

std::size_t heapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

double nowUs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double threadCpuUs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

bool preferRealTime(int priority) {
    const char* off = std::getenv("QM47_BENCH_NO_RT");
    if (off != nullptr && std::string_view(off) == "1") {
        return false;
    }
    const sched_param param{priority};
    return ::sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

bool fastMode() {
    const char* fast = std::getenv("QM47_BENCH_FAST");
    return fast != nullptr && std::string_view(fast) == "1";
}

double percentile(std::vector<double>& values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void printRow(const std::string& item, const std::string& figure, const std::string& program,
              const std::string& baseline, const std::string& goal, const std::string& met) {
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\n", item.c_str(), figure.c_str(), program.c_str(),
                baseline.c_str(), goal.c_str(), met.c_str());
    std::fflush(stdout);
}

std::string fixed(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

}  // namespace bench
