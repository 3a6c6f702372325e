// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdlaudio.h"

#include "sdllibrary.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace sorvel {

SdlAudioBackend::~SdlAudioBackend() {
    if (preparing_.joinable())
        preparing_.join();
    if (device_ != 0)
        sdl_->CloseAudioDevice(device_); // waits for the callback to finish
    if (audioInitialised_)
        sdl_->QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioBackend::prepare(int rate, std::function<void()> done) {
    if (preparing_.joinable() || sdl_ != nullptr) {
        if (done)
            done();
        return;
    }
    preparing_ = std::jthread([this, rate, done = std::move(done)] {
        openDevice(rate);
        if (done)
            done();
    });
}

bool SdlAudioBackend::openDevice(int rate) {
    if (sdl_ == nullptr && (sdl_ = sdlLibrary(&error_)) == nullptr)
        return false;
    if (!audioInitialised_) {
        // SDL would catch SIGINT and SIGTERM only to queue a quit event that nobody reads;
        // the program ends on them itself.
        sdl_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error_ = sdl_->GetError();
            return false;
        }
        audioInitialised_ = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 1;
    wanted.samples = deviceSamples;
    wanted.callback = &SdlAudioBackend::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = sdl_->OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
        error_ = sdl_->GetError();
        return false;
    }
    rate_ = rate;
    resting_ = false;
    latency_.store(obtained.samples);
    return true;
}

bool SdlAudioBackend::open(int rate, DoneHandler onDone) {
    if (preparing_.joinable())
        preparing_.join();
    if (device_ != 0 && rate != rate_) {
        sdl_->CloseAudioDevice(device_);
        device_ = 0;
    }
    if (device_ == 0 && !openDevice(rate))
        return false;
    sdl_->LockAudioDevice(device_);
    onDone_ = onDone;
    sdl_->UnlockAudioDevice(device_);
    sdl_->PauseAudioDevice(device_, 0);
    return true;
}

bool SdlAudioBackend::reset() {
    if (device_ == 0 && resting_)
        return true; // nothing is queued while resting
    if (device_ == 0) {
        // After a failed open its reason stays the one reported.
        if (error_.empty())
            error_ = "no sound device is open";
        return false;
    }
    sdl_->LockAudioDevice(device_);
    dropQueued();
    sdl_->UnlockAudioDevice(device_);
    return true;
}

bool SdlAudioBackend::queue(WaveHeader& header) {
    if (device_ == 0 || header.data == nullptr || header.bytes < 0) {
        error_ = "no sound device is open";
        return false;
    }
    sdl_->LockAudioDevice(device_);
    const bool room = count_ < bufferCount;
    if (room) {
        ring_[static_cast<std::size_t>((head_ + count_) % bufferCount)] = {
            header.data, header.bytes / bytesPerSample};
        ++count_;
    }
    sdl_->UnlockAudioDevice(device_);
    if (!room)
        error_ = "the sound queue is full";
    return room;
}

bool SdlAudioBackend::close() {
    if (device_ == 0 && resting_)
        return true;
    if (device_ == 0) {
        error_ = "no sound device is open";
        return false;
    }
    // The device keeps running (the callback plays the faded tail, then silence) and stays
    // open for the next start.
    sdl_->LockAudioDevice(device_);
    dropQueued();
    sdl_->UnlockAudioDevice(device_);
    return true;
}

void SdlAudioBackend::rest() {
    if (device_ == 0)
        return;
    sdl_->LockAudioDevice(device_);
    const bool idle = count_ == 0 && tailPosition_ >= tailLength_;
    sdl_->UnlockAudioDevice(device_);
    if (!idle)
        return;
    sdl_->CloseAudioDevice(device_); // joins the device's thread
    device_ = 0;
    resting_ = true;
}

void SdlAudioBackend::dropQueued() {
    // The next 4 ms of what was queued, under a raised-cosine fade that ends at 0.
    const int fade = std::min<int>(static_cast<int>(tail_.size()), std::max(1, rate_ / 250));
    int taken = 0;
    for (int b = 0, at = position_; b < count_ && taken < fade; ++b, at = 0) {
        const Block& block = ring_[static_cast<std::size_t>((head_ + b) % bufferCount)];
        for (; at < block.samples && taken < fade; ++at, ++taken)
            tail_[static_cast<std::size_t>(taken)] = block.data[at];
    }
    // With nothing queued, a tail still playing from an earlier stop plays on.
    if (taken > 0) {
        for (int n = 0; n < taken; ++n) {
            const double gain = (1.0 + std::cos(3.141592653589793 * (n + 1) / taken)) / 2.0;
            tail_[static_cast<std::size_t>(n)] =
                static_cast<std::int16_t>(std::lround(tail_[static_cast<std::size_t>(n)] * gain));
        }
        tailLength_ = taken;
        tailPosition_ = 0;
    }
    for (; count_ > 0; --count_) {
        head_ = (head_ + 1) % bufferCount;
        onDone_();
    }
    head_ = 0;
    position_ = 0;
    notePosition(0, 0);
}

void SdlAudioBackend::notePosition(std::int64_t before, std::int64_t taken) noexcept {
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    const std::uint32_t q = positionSequence_.load(std::memory_order_relaxed);
    // Release stores and acquire loads instead of fences, which the thread sanitizer does not
    // follow: a reader that sees one of these values also sees the odd count before it.
    positionSequence_.store(q + 1, std::memory_order_relaxed);
    positionBefore_.store(before, std::memory_order_release);
    positionTaken_.store(taken, std::memory_order_release);
    positionTime_.store(now, std::memory_order_release);
    positionSequence_.store(q + 2, std::memory_order_release);
}

std::optional<WaveBackend::PlayPosition> SdlAudioBackend::playPosition() const {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::uint32_t q = positionSequence_.load(std::memory_order_acquire);
        if (q % 2 != 0)
            continue;
        PlayPosition p{positionBefore_.load(std::memory_order_acquire),
                       positionTaken_.load(std::memory_order_acquire),
                       positionTime_.load(std::memory_order_acquire), latency_.load()};
        if (positionSequence_.load(std::memory_order_relaxed) == q)
            return p;
    }
    return std::nullopt;
}

void SdlAudioBackend::callback(void* self, Uint8* stream, int len) {
    // SDL holds the device lock while it calls this.
    auto* backend = static_cast<SdlAudioBackend*>(self);
    backend->fill(reinterpret_cast<std::int16_t*>(stream), len / bytesPerSample);
}

void SdlAudioBackend::fill(std::int16_t* out, int samples) {
    if (tailPosition_ < tailLength_) {
        const int take = std::min(samples, tailLength_ - tailPosition_);
        std::memcpy(out, tail_.data() + tailPosition_,
                    static_cast<std::size_t>(take) * sizeof(std::int16_t));
        out += take;
        samples -= take;
        tailPosition_ += take;
    }
    const std::int64_t before = positionTaken_.load(std::memory_order_relaxed);
    std::int64_t taken = before;
    while (samples > 0 && count_ > 0) {
        const Block& block = ring_[static_cast<std::size_t>(head_)];
        const int take = std::min(samples, block.samples - position_);
        if (take > 0) {
            std::memcpy(out, block.data + position_,
                        static_cast<std::size_t>(take) * sizeof(std::int16_t));
            out += take;
            samples -= take;
            position_ += take;
            taken += take;
        }
        if (position_ >= block.samples) {
            // Taken in full: the device no longer reads this block's buffer.
            head_ = (head_ + 1) % bufferCount;
            --count_;
            position_ = 0;
            onDone_();
        }
    }
    if (taken != before)
        notePosition(before, taken);
    if (samples > 0)
        std::memset(out, 0, static_cast<std::size_t>(samples) * sizeof(std::int16_t));
}

} // namespace sorvel
