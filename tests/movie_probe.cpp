// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/movie_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <limits>

namespace swirlon::testing {
namespace {

constexpr int RgbBytes = 3;

struct Reader {
    ~Reader() {
        sws_freeContext(converter);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    // Takes every frame the decoder has ready; the first one is kept as RGB.
    bool drain(DecodedMovie& movie) {
        int status = 0;
        while ((status = avcodec_receive_frame(codec, frame)) >= 0) {
            if (movie.frames++ == 0) {
                keepFirst(movie);
            }
        }
        return status == AVERROR(EAGAIN) || status == AVERROR_EOF;
    }

    void keepFirst(DecodedMovie& movie) {
        movie.width = frame->width;
        movie.height = frame->height;
        converter = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                                   frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
        movie.firstFrame.assign(static_cast<std::size_t>(frame->width) * frame->height * RgbBytes, 0);
        std::uint8_t* planes[4] = {movie.firstFrame.data(), nullptr, nullptr, nullptr};
        int strides[4] = {frame->width * RgbBytes, 0, 0, 0};
        sws_scale(converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
    }

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* converter = nullptr;
};

}  // namespace

DecodedMovie decodeMovie(const std::string& path) {
    DecodedMovie movie;
    Reader reader;
    if (avformat_open_input(&reader.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(reader.format, nullptr) < 0) {
        return movie;
    }
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(reader.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream < 0) {
        return movie;
    }
    movie.codec = avcodec_get_name(decoder->id);
    reader.codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(reader.codec, reader.format->streams[stream]->codecpar);
    if (avcodec_open2(reader.codec, decoder, nullptr) < 0) {
        return movie;
    }
    while (av_read_frame(reader.format, reader.packet) >= 0) {
        const bool ours = reader.packet->stream_index == stream;
        const bool sent = !ours || avcodec_send_packet(reader.codec, reader.packet) >= 0;
        av_packet_unref(reader.packet);
        if (!sent || !reader.drain(movie)) {
            return movie;
        }
    }
    avcodec_send_packet(reader.codec, nullptr);
    movie.readable = reader.drain(movie);
    return movie;
}

double meanChannelDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return std::numeric_limits<double>::infinity();
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
    }
    return sum / static_cast<double>(a.size());
}

}  // namespace swirlon::testing
