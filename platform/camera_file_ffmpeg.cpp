#include "platform/camera_file_ffmpeg.h"

#include <dlfcn.h>

#include <mutex>
#include <string_view>

namespace vardo {

namespace {

// The versions the decoder was compiled against; another major version is another ABI.
std::string soname(std::string_view library, int major)
{
    return "lib" + std::string(library) + ".so." + std::to_string(major);
}

struct Loaded {
    FfmpegLibraries functions;
    bool complete = false;
    std::string whyNot;
};

Loaded load()
{
    Loaded loaded;
    // Kept loaded for the rest of the process, as linked libraries are.
    void *handles[] = {
        ::dlopen(soname("avutil", LIBAVUTIL_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL),
        ::dlopen(soname("avcodec", LIBAVCODEC_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL),
        ::dlopen(soname("avformat", LIBAVFORMAT_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL),
        ::dlopen(soname("swscale", LIBSWSCALE_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL),
    };
    for (void *handle : handles)
        if (!handle) {
            const char *error = ::dlerror();
            loaded.whyNot = error ? error : "FFmpeg's libraries cannot be loaded";
            return loaded;
        }
    const auto find = [&](auto &function, const char *name) {
        for (void *handle : handles)
            if (void *symbol = ::dlsym(handle, name)) {
                function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
                return;
            }
        if (loaded.whyNot.empty())
            loaded.whyNot = std::string("FFmpeg's libraries lack ") + name;
    };
#define VARDO_FFMPEG_FUNCTION(name) find(loaded.functions.name, #name);
#include "platform/camera_file_ffmpeg_functions.h"
#undef VARDO_FFMPEG_FUNCTION
    loaded.complete = loaded.whyNot.empty();
    return loaded;
}

} // namespace

const FfmpegLibraries *ffmpegLibraries(std::string *whyNot)
{
    static const Loaded loaded = load();
    if (!loaded.complete && whyNot)
        *whyNot = loaded.whyNot;
    return loaded.complete ? &loaded.functions : nullptr;
}

} // namespace vardo
