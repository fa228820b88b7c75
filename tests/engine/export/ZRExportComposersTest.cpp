#include "engine/export/ZRExportComposers.h"
#include "platform/scaler/RowWorkers.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <vector>

// Exports size their threads by the cores the process may run on (what `taskset` gives it), not
// by the machine's: composers are left out on two cores, where they only take turns with the
// encoders, and never exceed four.
TEST(ZRExportComposers, ThreadsFollowTheCoresTheProcessMayRunOn) {
    cpu_set_t original;
    ASSERT_EQ(sched_getaffinity(0, sizeof original, &original), 0);
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &original)) cores.push_back(cpu);
    struct Case {
        int cores, conversion, composers;
    };
    for (const Case c : {Case{1, 1, 1}, Case{2, 2, 1}, Case{3, 3, 3}, Case{4, 4, 4}, Case{6, 6, 4},
                         Case{8, 8, 4}}) {
        if (c.cores > int(cores.size())) continue;
        cpu_set_t narrowed;
        CPU_ZERO(&narrowed);
        for (int i = 0; i < c.cores; ++i)
            CPU_SET(cores[size_t(i)], &narrowed);
        ASSERT_EQ(sched_setaffinity(0, sizeof narrowed, &narrowed), 0);
        EXPECT_EQ(platform::RowWorkers::machineThreads(), c.conversion) << c.cores << " cores";
        EXPECT_EQ(ZRExportComposers::machineThreads(), c.composers) << c.cores << " cores";
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof original, &original), 0);
}
