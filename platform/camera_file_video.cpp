#include "platform/camera_file_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

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
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

VideoFileDecoder::VideoFileDecoder() = default;
VideoFileDecoder::~VideoFileDecoder() = default;

bool VideoFileDecoder::open(const std::string &path)
{
    // FFmpeg's own complaints about a file it cannot read stay off the terminal; the
    // camera service writes the one line that says what is wrong.
    av_log_set_level(AV_LOG_QUIET);
    auto s = std::make_unique<State>();
    if (avformat_open_input(&s->format, path.c_str(), nullptr, nullptr) < 0)
        return false;
    if (avformat_find_stream_info(s->format, nullptr) < 0)
        return false;
    const AVCodec *decoder = nullptr;
    s->stream = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s->stream < 0 || !decoder)
        return false;
    AVStream *stream = s->format->streams[s->stream];
    s->codec = avcodec_alloc_context3(decoder);
    if (!s->codec || avcodec_parameters_to_context(s->codec, stream->codecpar) < 0)
        return false;
    // One thread: a camera-sized clip decodes in a few milliseconds a frame, and more
    // threads would hold more frames in memory.
    s->codec->thread_count = 1;
    if (avcodec_open2(s->codec, decoder, nullptr) < 0)
        return false;
    s->frame = av_frame_alloc();
    s->packet = av_packet_alloc();
    if (!s->frame || !s->packet)
        return false;
    if (const auto *matrix = reinterpret_cast<const std::int32_t *>(
            av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr))) {
        // FFmpeg gives the rotation counter-clockwise, in degrees.
        const double degrees = av_display_rotation_get(matrix);
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
    s.decoded = false;
    for (int packets = 0; packets < maxPacketsPerFrame; ++packets) {
        const int received = avcodec_receive_frame(s.codec, s.frame);
        if (received == 0)
            return s.decoded = true;
        if (received != AVERROR(EAGAIN))
            return false; // the end, after the decoder has given up its last frames
        if (av_read_frame(s.format, s.packet) < 0) {
            // The end of the file, or a read error: the decoder still holds frames.
            if (s.draining)
                return false;
            s.draining = true;
            avcodec_send_packet(s.codec, nullptr);
            continue;
        }
        // A damaged packet is skipped, as a player would.
        if (s.packet->stream_index == s.stream)
            avcodec_send_packet(s.codec, s.packet);
        av_packet_unref(s.packet);
    }
    return false;
}

bool VideoFileDecoder::rewind()
{
    if (!state_)
        return false;
    State &s = *state_;
    if (av_seek_frame(s.format, s.stream, s.format->streams[s.stream]->start_time == AV_NOPTS_VALUE
                                                 ? 0 : s.format->streams[s.stream]->start_time,
                      AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(s.codec);
    s.draining = false;
    s.decoded = false;
    return true;
}

bool VideoFileDecoder::retrieve(cv::Mat &bgr)
{
    if (!state_ || !state_->decoded)
        return false;
    State &s = *state_;
    const AVFrame &f = *s.frame;
    if (f.width <= 0 || f.height <= 0)
        return false;
    s.scaler = sws_getCachedContext(s.scaler, f.width, f.height, static_cast<AVPixelFormat>(f.format), f.width, f.height,
                                    AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!s.scaler)
        return false;
    cv::Mat picture(f.height, f.width, CV_8UC3);
    std::uint8_t *planes[4] = {picture.data, nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.step), 0, 0, 0};
    if (sws_scale(s.scaler, f.data, f.linesize, 0, f.height, planes, strides) != f.height)
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
    AVStream *stream = state_->format->streams[state_->stream];
    const double average = rate(stream->avg_frame_rate);
    return average > 0.0 ? average : rate(av_guess_frame_rate(state_->format, stream, nullptr));
}

} // namespace vardo
