#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <string>

namespace vardo {

// FFmpeg's libraries, loaded the first time a video file is played. With a real camera
// they are never needed, and linking them would map some eighty libraries (every codec
// FFmpeg is built with) into every run.
struct FfmpegLibraries {
#define VARDO_FFMPEG_FUNCTION(name) decltype(&::name) name = nullptr;
#include "platform/camera_file_ffmpeg_functions.h"
#undef VARDO_FFMPEG_FUNCTION
};

// The loaded libraries, or nullptr when they cannot be loaded; why goes to whyNot.
const FfmpegLibraries *ffmpegLibraries(std::string *whyNot = nullptr);

} // namespace vardo
