// SPDX-License-Identifier: GPL-3.0-or-later
// SDL2, loaded when sound is first needed rather than when the program starts: with its sound
// and display back-ends it brings some thirty libraries, whose loading would otherwise come
// before the window shows. The program's start loads it on a thread beside the building of the
// window; the first sound waits for that.
//
//   if (const sorvel::SdlLibrary* sdl = sorvel::sdlLibrary(&error))
//       sdl->InitSubSystem(SDL_INIT_AUDIO);
#pragma once

#include <SDL.h>

#include <string>

namespace sorvel {

// The SDL functions the audio backend calls.
struct SdlLibrary {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_LockAudioDevice) LockAudioDevice = nullptr;
    decltype(&SDL_UnlockAudioDevice) UnlockAudioDevice = nullptr;
};

// Loads the library on the first call, from any thread (a second caller waits for the first).
// Returns null when it cannot be loaded, with the reason in `error` where given.
const SdlLibrary* sdlLibrary(std::string* error = nullptr);

} // namespace sorvel
