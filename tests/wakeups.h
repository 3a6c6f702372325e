// SPDX-License-Identifier: GPL-3.0-or-later
// How often the threads of this process have been woken: the kernel's context-switch counts,
// summed over every thread, so that an idle program can be shown to sleep.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace sorvel::testing {

// Voluntary plus involuntary context switches of all threads alive now.
inline long threadWakeups() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string key;
        long value = 0;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                status >> value;
                total += value;
            }
        }
    }
    return total;
}

} // namespace sorvel::testing
