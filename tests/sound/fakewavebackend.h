// SPDX-License-Identifier: GPL-3.0-or-later
// A wave backend that plays nothing: it records what it is asked to do, fails on request, and
// finishes queued blocks when the test says so, reading their memory the way a device would.
#pragma once

#include "waveout.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace sorvel::testing {

class FakeWaveBackend : public WaveBackend {
public:
    struct Queued {
        const std::int16_t* data;
        int bytes;
    };

    bool open(int /*rate*/, DoneHandler onDone) override {
        ++opens;
        onDone_ = onDone;
        return !failOpen;
    }
    bool reset() override {
        ++resets;
        if (failReset || (failResetAfterOpenFailure && failOpen))
            return false;
        while (!queued.empty())
            finishOne();
        return true;
    }
    int prepare(WaveHeader& header) override {
        header.flags |= 1;
        return prepareError;
    }
    bool release(WaveHeader& /*header*/) override {
        ++releases;
        return !failRelease;
    }
    bool queue(WaveHeader& header) override {
        const bool fails = failQueue || failQueueAt == queueCalls;
        ++queueCalls;
        if (fails)
            return false;
        queued.push_back({header.data, header.bytes});
        queuedData.push_back(header.data);
        return true;
    }
    bool close() override {
        ++closes;
        return !failClose;
    }

    // Plays the oldest queued block to its end and reports it done; returns its samples.
    std::vector<std::int16_t> finishOne() {
        const Queued block = queued.front();
        queued.pop_front();
        std::vector<std::int16_t> played(block.data, block.data + block.bytes / 2);
        onDone_();
        return played;
    }
    int queuedBytes() const {
        int total = 0;
        for (const Queued& block : queued)
            total += block.bytes;
        return total;
    }

    bool failOpen = false;
    bool failResetAfterOpenFailure = true; // like a device that never opened
    bool failReset = false;
    int prepareError = 0;
    bool failRelease = false;
    bool failQueue = false;
    int failQueueAt = -1; // index of the queue call that fails
    bool failClose = false;

    int opens = 0, resets = 0, releases = 0, queueCalls = 0, closes = 0;
    std::deque<Queued> queued;
    std::vector<const std::int16_t*> queuedData; // every block ever queued, in order

private:
    DoneHandler onDone_;
};

} // namespace sorvel::testing
