#include "platform/camera_file_video.h"

#include "platform/camera_file_ffmpeg.h"

#include <opencv2/core.hpp>

#include <cmath>

namespace vardo {

namespace {

// Packets read in search of one frame before the clip counts as broken off: enough for
// any sane gap of audio or damaged packets, not an endless read of a corrupt file.
constexpr int maxPacketsPerFrame = 4096;

double rate(AVRational r)
{
    return r.den ? static_cast<double>(r.num) / r.den : 0.0;
}

} // namespace

struct VideoFileDecoder::State {
    explicit State(const FfmpegLibraries &libraries) : ff(libraries) {}
    const FfmpegLibraries &ff;
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;
    int stream = -1;
    int rotation = 0; // clockwise, in quarter turns
    bool draining = false;
    bool decoded = false;

    ~State()
    {
        ff.sws_freeContext(scaler);
        ff.av_packet_free(&packet);
        ff.av_frame_free(&frame);
        ff.avcodec_free_context(&codec);
        ff.avformat_close_input(&format);
    }
};

VideoFileDecoder::VideoFileDecoder() = default;
VideoFileDecoder::~VideoFileDecoder() = default;

bool VideoFileDecoder::open(const std::string &path)
{
    state_.reset();
    const FfmpegLibraries *libraries = ffmpegLibraries(&error_);
    if (!libraries)
        return false;
    const FfmpegLibraries &ff = *libraries;
    // FFmpeg's own complaints about a file it cannot read stay off the terminal; the
    // camera service writes the one line that says what is wrong.
    ff.av_log_set_level(AV_LOG_QUIET);
    auto s = std::make_unique<State>(ff);
    if (ff.avformat_open_input(&s->format, path.c_str(), nullptr, nullptr) < 0)
        return false;
    if (ff.avformat_find_stream_info(s->format, nullptr) < 0)
        return false;
    const AVCodec *decoder = nullptr;
    s->stream = ff.av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s->stream < 0 || !decoder)
        return false;
    AVStream *stream = s->format->streams[s->stream];
    s->codec = ff.avcodec_alloc_context3(decoder);
    if (!s->codec || ff.avcodec_parameters_to_context(s->codec, stream->codecpar) < 0)
        return false;
    // One thread: a camera-sized clip decodes in a few milliseconds a frame, and more
    // threads would hold more frames in memory.
    s->codec->thread_count = 1;
    if (ff.avcodec_open2(s->codec, decoder, nullptr) < 0)
        return false;
    s->frame = ff.av_frame_alloc();
    s->packet = ff.av_packet_alloc();
    if (!s->frame || !s->packet)
        return false;
    if (const auto *matrix = reinterpret_cast<const std::int32_t *>(
            ff.av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr))) {
        // FFmpeg gives the rotation counter-clockwise, in degrees.
        const double degrees = ff.av_display_rotation_get(matrix);
        if (std::isfinite(degrees))
            s->rotation = ((static_cast<int>(std::lround(-degrees / 90.0)) % 4) + 4) % 4;
    }
    state_ = std::move(s);
    return true;
}

bool VideoFileDecoder::next()
{
    if (!state_)
        return false;
    State &s = *state_;
    const FfmpegLibraries &ff = s.ff;
    s.decoded = false;
    for (int packets = 0; packets < maxPacketsPerFrame; ++packets) {
        const int received = ff.avcodec_receive_frame(s.codec, s.frame);
        if (received == 0)
            return s.decoded = true;
        if (received != AVERROR(EAGAIN))
            return false; // the end, after the decoder has given up its last frames
        if (ff.av_read_frame(s.format, s.packet) < 0) {
            // The end of the file, or a read error: the decoder still holds frames.
            if (s.draining)
                return false;
            s.draining = true;
            ff.avcodec_send_packet(s.codec, nullptr);
            continue;
        }
        // A damaged packet is skipped, as a player would.
        if (s.packet->stream_index == s.stream)
            ff.avcodec_send_packet(s.codec, s.packet);
        ff.av_packet_unref(s.packet);
    }
    return false;
}

bool VideoFileDecoder::rewind()
{
    if (!state_)
        return false;
    State &s = *state_;
    const FfmpegLibraries &ff = s.ff;
    if (ff.av_seek_frame(s.format, s.stream, s.format->streams[s.stream]->start_time == AV_NOPTS_VALUE
                                                 ? 0 : s.format->streams[s.stream]->start_time,
                      AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    ff.avcodec_flush_buffers(s.codec);
    s.draining = false;
    s.decoded = false;
    return true;
}

bool VideoFileDecoder::retrieve(cv::Mat &bgr)
{
    if (!state_ || !state_->decoded)
        return false;
    State &s = *state_;
    const FfmpegLibraries &ff = s.ff;
    const AVFrame &f = *s.frame;
    if (f.width <= 0 || f.height <= 0)
        return false;
    s.scaler = ff.sws_getCachedContext(s.scaler, f.width, f.height, static_cast<AVPixelFormat>(f.format), f.width, f.height,
                                    AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!s.scaler)
        return false;
    cv::Mat picture(f.height, f.width, CV_8UC3);
    std::uint8_t *planes[4] = {picture.data, nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.step), 0, 0, 0};
    if (ff.sws_scale(s.scaler, f.data, f.linesize, 0, f.height, planes, strides) != f.height)
        return false;
    if (s.rotation == 0)
        bgr = picture;
    else
        cv::rotate(picture, bgr, s.rotation == 1 ? cv::ROTATE_90_CLOCKWISE
                                 : s.rotation == 2 ? cv::ROTATE_180 : cv::ROTATE_90_COUNTERCLOCKWISE);
    return true;
}

double VideoFileDecoder::framesPerSecond() const
{
    if (!state_)
        return 0.0;
    const FfmpegLibraries &ff = state_->ff;
    AVStream *stream = state_->format->streams[state_->stream];
    const double average = rate(stream->avg_frame_rate);
    return average > 0.0 ? average : rate(ff.av_guess_frame_rate(state_->format, stream, nullptr));
}

} // namespace vardo
