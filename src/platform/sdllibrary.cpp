// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdllibrary.h"

#include <dlfcn.h>

namespace sorvel {

namespace {

struct Loaded {
    SdlLibrary functions;
    bool complete = false;
    std::string error;
};

template <typename F> bool resolve(void* handle, const char* name, F& function, std::string& error) {
    function = reinterpret_cast<F>(dlsym(handle, name));
    if (function == nullptr && error.empty())
        error = std::string("the sound library lacks ") + name;
    return function != nullptr;
}

Loaded load() {
    Loaded loaded;
    // Kept loaded for the rest of the run: the device's thread runs in it.
    void* handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        loaded.error = std::string("the sound library could not be loaded: ") +
                       (why != nullptr ? why : "libSDL2-2.0.so.0");
        return loaded;
    }
    SdlLibrary& f = loaded.functions;
    std::string& e = loaded.error;
    loaded.complete = resolve(handle, "SDL_SetHint", f.SetHint, e) &
                      resolve(handle, "SDL_InitSubSystem", f.InitSubSystem, e) &
                      resolve(handle, "SDL_QuitSubSystem", f.QuitSubSystem, e) &
                      resolve(handle, "SDL_GetError", f.GetError, e) &
                      resolve(handle, "SDL_OpenAudioDevice", f.OpenAudioDevice, e) &
                      resolve(handle, "SDL_CloseAudioDevice", f.CloseAudioDevice, e) &
                      resolve(handle, "SDL_PauseAudioDevice", f.PauseAudioDevice, e) &
                      resolve(handle, "SDL_LockAudioDevice", f.LockAudioDevice, e) &
                      resolve(handle, "SDL_UnlockAudioDevice", f.UnlockAudioDevice, e);
    return loaded;
}

} // namespace

const SdlLibrary* sdlLibrary(std::string* error) {
    static const Loaded loaded = load();
    if (!loaded.complete && error != nullptr)
        *error = loaded.error;
    return loaded.complete ? &loaded.functions : nullptr;
}

} // namespace sorvel
