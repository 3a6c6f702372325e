#include "sdlaudio.h"

#include <algorithm>
#include <cstring>

namespace sorvel {

SdlAudioBackend::~SdlAudioBackend() {
    if (device_ != 0)
        SDL_CloseAudioDevice(device_); // waits for the callback to finish
    if (audioInitialised_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioBackend::open(int rate, DoneHandler onDone) {
    if (device_ != 0 && rate != rate_) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (device_ == 0) {
        if (!audioInitialised_) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                error_ = SDL_GetError();
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
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device_ == 0) {
            error_ = SDL_GetError();
            return false;
        }
        rate_ = rate;
    }
    SDL_LockAudioDevice(device_);
    onDone_ = onDone;
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

bool SdlAudioBackend::reset() {
    if (device_ == 0) {
        error_ = "no sound device is open";
        return false;
    }
    SDL_LockAudioDevice(device_);
    dropQueued();
    SDL_UnlockAudioDevice(device_);
    return true;
}

bool SdlAudioBackend::queue(WaveHeader& header) {
    if (device_ == 0 || header.data == nullptr || header.bytes < 0) {
        error_ = "no sound device is open";
        return false;
    }
    SDL_LockAudioDevice(device_);
    const bool room = count_ < bufferCount;
    if (room) {
        ring_[static_cast<std::size_t>((head_ + count_) % bufferCount)] = {
            header.data, header.bytes / bytesPerSample};
        ++count_;
    }
    SDL_UnlockAudioDevice(device_);
    if (!room)
        error_ = "the sound queue is full";
    return room;
}

bool SdlAudioBackend::close() {
    if (device_ == 0) {
        error_ = "no sound device is open";
        return false;
    }
    // Paused, SDL plays silence without asking us; the device stays open for the next start.
    SDL_PauseAudioDevice(device_, 1);
    SDL_LockAudioDevice(device_);
    dropQueued();
    SDL_UnlockAudioDevice(device_);
    return true;
}

void SdlAudioBackend::dropQueued() {
    for (; count_ > 0; --count_) {
        head_ = (head_ + 1) % bufferCount;
        onDone_();
    }
    head_ = 0;
    position_ = 0;
}

void SdlAudioBackend::callback(void* self, Uint8* stream, int len) {
    // SDL holds the device lock while it calls this.
    auto* backend = static_cast<SdlAudioBackend*>(self);
    backend->fill(reinterpret_cast<std::int16_t*>(stream), len / bytesPerSample);
}

void SdlAudioBackend::fill(std::int16_t* out, int samples) {
    while (samples > 0 && count_ > 0) {
        const Block& block = ring_[static_cast<std::size_t>(head_)];
        const int take = std::min(samples, block.samples - position_);
        if (take > 0) {
            std::memcpy(out, block.data + position_,
                        static_cast<std::size_t>(take) * sizeof(std::int16_t));
            out += take;
            samples -= take;
            position_ += take;
        }
        if (position_ >= block.samples) {
            // Taken in full: the device no longer reads this block's buffer.
            head_ = (head_ + 1) % bufferCount;
            --count_;
            position_ = 0;
            onDone_();
        }
    }
    if (samples > 0)
        std::memset(out, 0, static_cast<std::size_t>(samples) * sizeof(std::int16_t));
}

} // namespace sorvel
