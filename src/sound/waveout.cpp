// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace sorvel {

int blockSizeAtPosition(int position) {
    const int index = std::clamp(position, 1, static_cast<int>(blockSizes.size())) - 1;
    return blockSizes[static_cast<std::size_t>(index)];
}

OutputBuffers::OutputBuffers() : OutputBuffers(blockSizeAtPosition(defaultBlockPosition)) {}

OutputBuffers::OutputBuffers(int bytes) {
    setBlockSize(bytes);
}

void OutputBuffers::setBlockSize(int bytes) {
    if (bytes < bytesPerSample)
        throw std::invalid_argument("output block size below one sample");
    blockBytes_ = bytes;
    // A block still queued holds its own reference to the old buffer (WaveOut keeps it until the
    // block is done), so dropping ours here never frees memory the device reads.
    const auto elements = static_cast<std::size_t>((bytes + 1) / bytesPerSample);
    for (auto& buffer : buffers_)
        buffer = std::make_shared<std::int16_t[]>(elements);
    if (scratch_.size() < elements)
        scratch_.resize(elements);
}

std::span<std::int16_t> OutputBuffers::buffer(int slot) const {
    return {buffers_[static_cast<std::size_t>(slot)].get(),
            static_cast<std::size_t>(blockSamples())};
}

std::span<std::int16_t> OutputBuffers::scratch(int samples) {
    const auto wanted = static_cast<std::size_t>(std::max(samples, 0));
    if (scratch_.size() < wanted)
        scratch_.resize(wanted);
    return {scratch_.data(), wanted};
}

void exitOnFatal(std::string_view message) {
    std::fflush(stdout);
    std::fprintf(stderr, "Sorvel: %.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    // At once, as the device thread may still be running: no destructors, no atexit handlers.
    std::_Exit(EXIT_FAILURE);
}

namespace {

void printToStdout(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
}

void notifyCompletion(void* context) {
    static_cast<WaveOut*>(context)->completion();
}

} // namespace

WaveOut::WaveOut(WaveBackend& backend)
    : backend_(backend), printer_(printToStdout), fatal_(exitOnFatal) {}

WaveOut::~WaveOut() {
    // The device must not read the held buffers, nor call completion(), once this is gone.
    if (open_) {
        backend_.reset();
        backend_.close();
    }
}

void WaveOut::setPrinter(Printer printer) {
    printer_ = printer ? std::move(printer) : Printer(printToStdout);
}

void WaveOut::setFatalHandler(FatalHandler handler) {
    fatal_ = handler ? std::move(handler) : FatalHandler(exitOnFatal);
}

void WaveOut::print(std::string_view line) const {
    printer_(line);
}

void WaveOut::fail(std::string_view message) const {
    const std::string detail = backend_.lastError();
    if (detail.empty())
        fatal_(message);
    else
        fatal_(std::string(message) + " (" + detail + ")");
}

void WaveOut::start_playing(int rate) {
    blocksDone_ = 0;
    blocksWritten_ = 0;
    const bool opened = backend_.open(rate, {notifyCompletion, this});
    print(opened ? "wave out open okay\n" : "problem in waveOutOpen()\n");
    open_ = true;
    if (!backend_.reset()) {
        print("owyyyie\n");
        fail(opened ? "The sound device could not be reset."
                    : "The sound device could not be opened.");
        return;
    }
    // A start without an end before it (the connection made at start-up) may have had blocks
    // queued; the reset has just counted them, so count from 0 again.
    blocksDone_ = 0;
    blocksWritten_ = 0;
    held_ = {};
}

bool WaveOut::buffer_free() const {
    return blocksWritten_.load() - blocksDone_.load() < bufferCount;
}

int WaveOut::write_samples(std::span<const std::int16_t> samples, int capacity,
                           OutputBuffers& buffers) {
    const int count = static_cast<int>(samples.size());
    if (blocksWritten_.load() - blocksDone_.load() >= bufferCount) {
        print("output buffers in use\n");
        fail("All sound output buffers are in use.");
        return 0;
    }
    const int bytes = count * bytesPerSample;
    lastBlockBytes_ = bytes;
    // The buffers' real size bounds the copy even if the caller's capacity claims more.
    const int room = std::min(capacity, buffers.blockBytes());
    if (room < bytes) {
        char line[96];
        std::snprintf(line, sizeof line, "not enough space in write_samples (%d < %d)\n", room,
                      bytes);
        print(line);
        fail("A sound block is larger than the output buffers.");
        return 0;
    }

    const int written = blocksWritten_.load();
    const auto slot = static_cast<std::size_t>(written % bufferCount);
    blocksWritten_.store(written + 1);

    std::int16_t* target = buffers.share(static_cast<int>(slot)).get();
    if (count > 0)
        std::memcpy(target, samples.data(), static_cast<std::size_t>(bytes));

    WaveHeader& header = headers_[slot];
    header.data = target;
    header.bytes = bytes;
    header.flags = 0;
    if (written >= bufferCount && !backend_.release(header))
        print("problem in waveOutUnprepareHeader()\n");
    // The earlier block of this slot is done (fewer than four are queued, and they finish in
    // order), so its buffer may go now if setBlockSize has replaced it.
    held_[slot] = buffers.share(static_cast<int>(slot));

    if (const int code = backend_.prepare(header); code != 0) {
        print("problem in waveOutPrepareHeader()\n");
        char line[64];
        std::snprintf(line, sizeof line, "err = %d (%d %d %d)\n", code, 5, 6, 7);
        print(line);
    }
    if (!backend_.queue(header))
        print("problem in waveOutAddBuffer\n");
    return count;
}

void WaveOut::end_playing() {
    print("start of end_playing\n");
    if (!backend_.reset()) {
        print("problem in waveOutReset()\n");
        fail("The sound device could not be stopped.");
        return;
    }
    print("middle of end_playing\n");
    if (!backend_.close()) {
        print("problem in waveOutClose()\n");
        fail("The sound device could not be closed.");
        return;
    }
    open_ = false;
    // Nothing is queued any more: the buffers of the last blocks may go.
    held_ = {};
    print("end of end_playing\n");
}

std::optional<std::int64_t> WaveOut::heardSample(std::int64_t nanoseconds) const {
    const auto at = backend_.playPosition();
    if (!at || !open_)
        return std::nullopt;
    // Between two takes the device plays on at the sample rate.
    const double since = double(nanoseconds - at->nanoseconds) * 1e-9 * sampleRate;
    const auto heard = at->before + static_cast<std::int64_t>(std::floor(since)) - at->latency;
    return std::clamp<std::int64_t>(heard, 0, std::max<std::int64_t>(at->taken - 1, 0));
}

void WaveOut::rest() {
    if (blocksWritten_.load() == blocksDone_.load())
        backend_.rest();
}

} // namespace sorvel
