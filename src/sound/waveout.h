// SPDX-License-Identifier: GPL-3.0-or-later
// The wave output device: the two block counters, the four buffer slots, and the queueing of
// 16-bit mono blocks through a backend that stands for the sound system.
//
//   sorvel::SdlAudioBackend backend;                // or a fake in tests
//   sorvel::WaveOut device(backend);
//   sorvel::OutputBuffers buffers;                  // 5120-byte blocks until setBlockSize
//   device.start_playing(sorvel::sampleRate);
//   sorvel::soundTick(device, buffers, [](std::span<std::int16_t> block) { /* fill */ });
//   device.end_playing();
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// The one sample format of the program: linear PCM, mono, 16-bit signed.
inline constexpr int sampleRate = 22050;
inline constexpr int bytesPerSample = 2;
// Blocks that may be queued at once; also the number of output buffers.
inline constexpr int bufferCount = 4;

// Output block sizes in bytes, indexed by the sound options slider position 1..17.
inline constexpr std::array<int, 17> blockSizes = {1024, 1280,  1536,  1792,  2048, 2560,
                                                   3072, 3584,  4096,  5120,  6144, 7168,
                                                   8192, 10240, 12288, 14336, 16384};
inline constexpr int defaultBlockPosition = 10;

// The block size of slider position `position` (clamped to 1..17).
int blockSizeAtPosition(int position);

// What the device reads a queued block from.
struct WaveHeader {
    const std::int16_t* data = nullptr;
    int bytes = 0;
    unsigned flags = 0; // the backend's own bookkeeping; cleared before every preparation
};

// The sound system behind WaveOut. Every call comes from the GUI thread except the block-done
// notification, which the backend makes on whatever thread it plays on.
class WaveBackend {
public:
    struct DoneHandler {
        void (*notify)(void* context) = nullptr;
        void* context = nullptr;
        void operator()() const {
            if (notify != nullptr)
                notify(context);
        }
    };

    virtual ~WaveBackend() = default;
    // Connects to the output for the program's format at `rate`; `onDone` is called once for
    // every queued block the device has finished with.
    virtual bool open(int rate, DoneHandler onDone) = 0;
    // Stops at once and hands every queued block back as done, before returning.
    virtual bool reset() = 0;
    // Returns 0 or the system's error code.
    virtual int prepare(WaveHeader& /*header*/) { return 0; }
    // Undoes prepare for a header whose block is done.
    virtual bool release(WaveHeader& /*header*/) { return true; }
    // Queues the block; the memory it names stays valid until the block is reported done. A block
    // that could not be queued is never reported done.
    virtual bool queue(WaveHeader& header) = 0;
    virtual bool close() = 0;
    // Lets the sound system sleep while nothing is queued or playing (no thread keeps waking to
    // write silence); the next open() connects again. Until then reset() and close() succeed
    // and queue() fails.
    virtual void rest() {}
    // The system's own words for the last failure, if it has any.
    virtual std::string lastError() const { return {}; }

    // How far the device has played: it had taken `before` samples of the queued blocks (since
    // the last reset) when, at `nanoseconds` on the steady clock, it took more, up to `taken`;
    // what it takes is heard about `latency` samples later. None where the backend cannot say.
    struct PlayPosition {
        std::int64_t before = 0;
        std::int64_t taken = 0;
        std::int64_t nanoseconds = 0;
        int latency = 0;
    };
    virtual std::optional<PlayPosition> playPosition() const { return std::nullopt; }
};

// The four output buffers and the block size they hold. Replacing them never frees memory that
// the device may still read: a queued block keeps its buffer alive until it is done.
class OutputBuffers {
public:
    OutputBuffers(); // blocks of the default slider position
    explicit OutputBuffers(int bytes);

    // Puts four new buffers of `bytes` bytes in place (bytes >= 2); blockSamples = bytes / 2.
    void setBlockSize(int bytes);
    int blockBytes() const { return blockBytes_; }
    int blockSamples() const { return blockBytes_ / bytesPerSample; }

    std::span<std::int16_t> buffer(int slot) const;
    const std::shared_ptr<std::int16_t[]>& share(int slot) const { return buffers_[slot]; }
    // Room to render `samples` samples into before they are queued; allocates only when asked
    // for more than ever before.
    std::span<std::int16_t> scratch(int samples);

private:
    int blockBytes_ = 0;
    std::array<std::shared_ptr<std::int16_t[]>, bufferCount> buffers_;
    std::vector<std::int16_t> scratch_;
};

// The device state: one connection, two counters, four header slots. The backend must outlive
// it: its destructor stops a device that is still playing.
class WaveOut {
public:
    // Receives each diagnostic line, newline included.
    using Printer = std::function<void(std::string_view line)>;
    // Called after the diagnostic line of a failure the device cannot go on from, with a message
    // for the user. It is meant to end the program; if it returns, the failing call gives up
    // (queues nothing more, leaves the device as it is).
    using FatalHandler = std::function<void(std::string_view message)>;

    explicit WaveOut(WaveBackend& backend);
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    void setPrinter(Printer printer);
    void setFatalHandler(FatalHandler handler);

    // Connects to the device at `rate` and counts from 0.
    void start_playing(int rate);
    // True while fewer than four blocks are queued.
    bool buffer_free() const;
    // Copies `samples` into the next slot's buffer and queues it; `capacity` is the byte size of
    // each buffer. Returns the number of samples.
    int write_samples(std::span<const std::int16_t> samples, int capacity, OutputBuffers& buffers);
    // Stops at once, dropping what is queued, and disconnects.
    void end_playing();
    // When nothing is queued, lets the sound system sleep until the next start_playing.
    void rest();

    int blocksWritten() const { return blocksWritten_.load(); }
    int blocksDone() const { return blocksDone_.load(); }
    int lastBlockBytes() const { return lastBlockBytes_; }
    // The sample of the blocks queued since start_playing that is heard at `nanoseconds` on
    // the steady clock, as far as the backend can tell; never one not yet taken.
    std::optional<std::int64_t> heardSample(std::int64_t nanoseconds) const;

    // The completion handler: one block finished. Safe on any thread.
    void completion() noexcept { blocksDone_.fetch_add(1); }

private:
    void print(std::string_view line) const;
    void fail(std::string_view message) const;

    WaveBackend& backend_;
    Printer printer_;
    FatalHandler fatal_;
    bool open_ = false;
    std::atomic<int> blocksWritten_{0};
    std::atomic<int> blocksDone_{0};
    std::array<WaveHeader, bufferCount> headers_{};
    // Each header's buffer, held until the slot is reused or the device stops.
    std::array<std::shared_ptr<std::int16_t[]>, bufferCount> held_;
    int lastBlockBytes_ = 0;
};

// Prints nothing more: writes `message` to standard error and ends the program with status 1.
[[noreturn]] void exitOnFatal(std::string_view message);

// Renders `count` samples with `render` (void(std::span<std::int16_t>)) into the scratch and
// queues them.
template <class Render>
int render_block(Render&& render, int count, int capacity, OutputBuffers& buffers,
                 WaveOut& device) {
    std::span<std::int16_t> block = buffers.scratch(count);
    render(block);
    return device.write_samples(block, capacity, buffers);
}

// One tick of the sound timer: if a buffer is free, render one block and queue it. Returns
// whether a block was queued.
template <class Render> bool soundTick(WaveOut& device, OutputBuffers& buffers, Render&& render) {
    if (!device.buffer_free())
        return false;
    render_block(render, buffers.blockSamples(), buffers.blockBytes(), buffers, device);
    return true;
}

} // namespace sorvel
