// SPDX-License-Identifier: GPL-3.0-or-later
// The wave output backend on SDL2's audio subsystem. The SDL device is opened by the first
// open() and kept running, so starting and stopping sound costs no device opening, until rest()
// closes it: a running device's thread wakes for every buffer of silence it writes. The SDL
// callback plays the queued blocks in order, silence between them, and reports each block done
// once it has taken its last sample. A reset or close drops the queue but first takes the next
// 4 ms of it, faded out, so that stopping never cuts the wave with a click.
//
//   sorvel::SdlAudioBackend backend;
//   sorvel::WaveOut device(backend);
//   device.start_playing(sorvel::sampleRate);   // opens the SDL device
#pragma once

#include "waveout.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace sorvel {

struct SdlLibrary;

class SdlAudioBackend final : public WaveBackend {
public:
    // SDL's own buffer, in samples: small, so that the queued blocks are the real latency.
    static constexpr int deviceSamples = 512;

    SdlAudioBackend() = default;
    ~SdlAudioBackend() override;
    SdlAudioBackend(const SdlAudioBackend&) = delete;
    SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;

    // Opens the device on a thread of its own, paused, so that the sound system's start (its
    // library, a server connection, with no session bus a spawned helper) runs beside other
    // work, and then calls `done` on that thread. The next open() waits for it and reports its
    // failure. After an open() or a prepare(), only calls `done`.
    void prepare(int rate, std::function<void()> done = {});
    bool open(int rate, DoneHandler onDone) override;
    bool reset() override;
    bool queue(WaveHeader& header) override;
    bool close() override;
    // Closes the SDL device once the queue and the faded tail have played.
    void rest() override;
    std::string lastError() const override { return error_; }
    std::optional<PlayPosition> playPosition() const override;

    bool isOpen() const { return device_ != 0; }
    bool isResting() const { return resting_; }

private:
    struct Block {
        const std::int16_t* data = nullptr;
        int samples = 0;
    };

    static void callback(void* self, Uint8* stream, int len);
    void fill(std::int16_t* out, int samples);
    void dropQueued(); // with the device locked; keeps the faded tail
    bool openDevice(int rate); // paused; sets error_ when it cannot

    const SdlLibrary* sdl_ = nullptr; // loaded by the first open()
    bool audioInitialised_ = false;
    SDL_AudioDeviceID device_ = 0;
    bool resting_ = false; // closed by rest(), not yet opened again
    int rate_ = 0;
    std::string error_;
    std::jthread preparing_; // writes the members above; joined before they are read

    // Shared with the callback; touched only with the device locked.
    DoneHandler onDone_;
    std::array<Block, bufferCount> ring_{};
    int head_ = 0;     // ring index of the block playing next
    int count_ = 0;    // blocks queued
    int position_ = 0; // samples of the head block already played
    // What plays after a stop: the next few milliseconds of the dropped queue, faded out.
    std::array<std::int16_t, 512> tail_{};
    int tailLength_ = 0;
    int tailPosition_ = 0;

    // Where playing stands, for playPosition() on the GUI thread: written with the device
    // locked, read without a lock through a sequence count (odd while written).
    void notePosition(std::int64_t before, std::int64_t taken) noexcept;
    std::atomic<std::uint32_t> positionSequence_{0};
    std::atomic<std::int64_t> positionBefore_{0}, positionTaken_{0}, positionTime_{0};
    std::atomic<int> latency_{0};
};

} // namespace sorvel
