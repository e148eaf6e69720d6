// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/movie_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "field_io/atomic_file.h"
#include "field_io/output_target.h"

namespace swirlon {
namespace {

constexpr int RgbBytes = 3;
// Bytes the container writes through at a time.
constexpr int IoBufferBytes = 1 << 16;
// Largest denominator when a frame rate such as 29.97 becomes a fraction.
constexpr int FrameRateDenominatorLimit = 1001000;

// What each format is made of. Codec names are tried in order, then the codec id's default
// encoder; options go to the encoder. The settings keep the picture sharp (its pixels are
// blocks of one colour) at a cost per frame well below a frame of the flow.
struct FormatRecipe {
    MovieFormat format;
    std::string_view extension;
    const char* container;
    AVCodecID codec;
    std::array<const char*, 1> preferred;
    AVPixelFormat pixels;
    const char* options;
};

const std::array Recipes{
    FormatRecipe{
        MovieFormat::mp4, ".mp4", "mp4", AV_CODEC_ID_H264, {"libx264"}, AV_PIX_FMT_YUV420P, "preset=veryfast:crf=18"},
    FormatRecipe{MovieFormat::webm,
                 ".webm",
                 "webm",
                 AV_CODEC_ID_VP9,
                 {"libvpx-vp9"},
                 AV_PIX_FMT_YUV420P,
                 "deadline=realtime:cpu-used=8:crf=20:row-mt=1"},
    FormatRecipe{MovieFormat::gif, ".gif", "gif", AV_CODEC_ID_GIF, {nullptr}, AV_PIX_FMT_PAL8, ""},
};

// Each GIF frame gets a palette made from its own colours (all of them while there are at most
// 256), and its pixels the nearest palette entry without dithering, which would speckle the
// picture's even areas.
constexpr const char* GifPalette =
    "split[a][b];[a]palettegen=max_colors=256:reserve_transparent=0:stats_mode=single[p];"
    "[b][p]paletteuse=new=1:dither=none";

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view extensionOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
}

const FormatRecipe* recipeOf(std::string_view path) {
    const std::string extension = lowerCase(extensionOf(path));
    const auto found =
        std::ranges::find_if(Recipes, [&](const FormatRecipe& recipe) { return recipe.extension == extension; });
    return found == Recipes.end() ? nullptr : &*found;
}

const AVCodec* encoderOf(const FormatRecipe& recipe) {
    for (const char* name : recipe.preferred) {
        if (name != nullptr) {
            if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) {
                return codec;
            }
        }
    }
    return avcodec_find_encoder(recipe.codec);
}

std::string libraryReason(int error) {
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(error, text.data(), text.size());
    return text.data();
}

// The libraries speak up only about errors; a movie's progress is the program's to report.
void quietLibraries() { av_log_set_level(AV_LOG_ERROR); }

}  // namespace

std::optional<MovieFormat> movieFormatOf(std::string_view path) {
    const FormatRecipe* recipe = recipeOf(path);
    return recipe == nullptr ? std::nullopt : std::optional(recipe->format);
}

struct MovieWriter::Encoder {
    ~Encoder() {
        // A container left unfinished is ended all the same (into the temporary file, which goes
        // with the encoder): some muxers free what they hold for the next packet only there.
        if (headerWritten && !trailerWritten) {
            av_write_trailer(format);
        }
        avfilter_graph_free(&graph);
        av_frame_free(&filtered);
        av_frame_free(&frame);
        av_frame_free(&rgbFrame);
        av_packet_free(&packet);
        sws_freeContext(converter);
        avcodec_free_context(&codec);
        if (format != nullptr) {
            avformat_free_context(format);
        }
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    static int writeBytes(void* opaque, std::uint8_t* bytes, int size) {
        auto* self = static_cast<Encoder*>(opaque);
        if (auto error = self->file.write(std::span(bytes, static_cast<std::size_t>(size)))) {
            self->fileError = std::move(error);
            return AVERROR(EIO);
        }
        return size;
    }

    static std::int64_t seekBytes(void* opaque, std::int64_t offset, int whence) {
        if ((whence & AVSEEK_SIZE) != 0) {
            return AVERROR(ENOSYS);
        }
        const std::int64_t position = static_cast<Encoder*>(opaque)->file.seek(offset, whence & ~AVSEEK_FORCE);
        return position < 0 ? AVERROR(static_cast<int>(-position)) : position;
    }

    FileError failure(int error) const {
        if (fileError) {
            return *fileError;
        }
        return FileError{FileErrorKind::movieEncodeFailed, file.path(), libraryReason(error)};
    }

    // Sends frame (nullptr: the end) to the encoder and writes every packet it has ready.
    int encode(AVFrame* input) {
        int status = avcodec_send_frame(codec, input);
        while (status >= 0) {
            status = avcodec_receive_packet(codec, packet);
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
                return 0;
            }
            if (status < 0) {
                break;
            }
            // Every frame shows for one frame's time; a container that is not told so may cut
            // the last frame short, or off.
            if (packet->duration == 0) {
                packet->duration = 1;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            status = av_interleaved_write_frame(format, packet);
        }
        return status;
    }

    // Passes the picture (nullptr: the end) through the palette graph and encodes what comes out.
    int filterAndEncode(AVFrame* input) {
        int status = av_buffersrc_add_frame_flags(source, input, AV_BUFFERSRC_FLAG_KEEP_REF);
        while (status >= 0) {
            status = av_buffersink_get_frame(sink, filtered);
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
                return 0;
            }
            if (status < 0) {
                break;
            }
            status = encode(filtered);
            av_frame_unref(filtered);
        }
        return status;
    }

    int makePaletteGraph() {
        graph = avfilter_graph_alloc();
        if (graph == nullptr) {
            return AVERROR(ENOMEM);
        }
        char arguments[160];
        std::snprintf(arguments, sizeof arguments, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=1/1",
                      shape.width, shape.height, static_cast<int>(AV_PIX_FMT_RGB24), codec->time_base.num,
                      codec->time_base.den);
        int status =
            avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", arguments, nullptr, graph);
        if (status >= 0) {
            status =
                avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph);
        }
        if (status >= 0) {
            const std::array<AVPixelFormat, 2> formats{AV_PIX_FMT_PAL8, AV_PIX_FMT_NONE};
            status = av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const std::uint8_t*>(formats.data()),
                                    sizeof(AVPixelFormat), AV_OPT_SEARCH_CHILDREN);
        }
        if (status < 0) {
            return status;
        }
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        if (outputs == nullptr || inputs == nullptr) {
            status = AVERROR(ENOMEM);
        } else {
            outputs->name = av_strdup("in");
            outputs->filter_ctx = source;
            inputs->name = av_strdup("out");
            inputs->filter_ctx = sink;
            status = avfilter_graph_parse_ptr(graph, GifPalette, &inputs, &outputs, nullptr);
        }
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        return status < 0 ? status : avfilter_graph_config(graph, nullptr);
    }

    AtomicFile file;
    std::optional<FileError> fileError;
    MovieShape shape;
    // The size encoded: the picture's, rounded up to even where the pixel format needs it.
    int codedWidth = 0;
    int codedHeight = 0;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    // The picture as given, and (for YUV codecs) converted for the encoder.
    AVFrame* rgbFrame = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* converter = nullptr;
    // GIF: the palette graph and what comes out of it.
    AVFilterGraph* graph = nullptr;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    AVFrame* filtered = nullptr;
    long long frames = 0;
    bool headerWritten = false;
    bool trailerWritten = false;
};

MovieWriter::MovieWriter() = default;
MovieWriter::~MovieWriter() = default;

bool MovieWriter::isOpen() const { return encoder_ != nullptr; }

long long MovieWriter::framesWritten() const { return encoder_ ? encoder_->frames : 0; }

void MovieWriter::discard() {
    encoder_.reset();
    completed_ = false;
}

std::optional<FileError> MovieWriter::check(const std::string& path) {
    const FormatRecipe* recipe = recipeOf(path);
    if (recipe == nullptr) {
        return FileError{FileErrorKind::movieUnknownFormat, path, std::string(extensionOf(path))};
    }
    if (encoderOf(*recipe) == nullptr) {
        return FileError{FileErrorKind::movieNoEncoder, path, avcodec_get_name(recipe->codec)};
    }
    OutputTarget target;
    if (auto error = inspectOutputFile(path, target)) {
        return error;
    }
    if (target.direct) {
        return FileError{FileErrorKind::movieNotAFile, path, {}};
    }
    return std::nullopt;
}

std::optional<FileError> MovieWriter::open(const std::string& path, const MovieShape& shape) {
    discard();
    path_ = path;
    if (auto error = check(path)) {
        return error;
    }
    if (shape.width <= 0 || shape.height <= 0 || !(shape.fps > 0.0)) {
        return FileError{FileErrorKind::pictureSizeMismatch, path, {}};
    }
    quietLibraries();
    const FormatRecipe& recipe = *recipeOf(path);
    auto encoder = std::make_unique<Encoder>();
    Encoder& e = *encoder;
    e.shape = shape;
    if (auto error = e.file.open(path)) {
        return error;
    }
    const bool yuv = recipe.pixels == AV_PIX_FMT_YUV420P;
    e.codedWidth = yuv ? (shape.width + 1) / 2 * 2 : shape.width;
    e.codedHeight = yuv ? (shape.height + 1) / 2 * 2 : shape.height;

    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferBytes));
    e.io = buffer == nullptr
               ? nullptr
               : avio_alloc_context(buffer, IoBufferBytes, 1, &e, nullptr, Encoder::writeBytes, Encoder::seekBytes);
    if (e.io == nullptr) {
        av_free(buffer);
        return e.failure(AVERROR(ENOMEM));
    }
    int status = avformat_alloc_output_context2(&e.format, nullptr, recipe.container, path.c_str());
    if (status < 0) {
        return e.failure(status);
    }
    e.format->pb = e.io;
    e.format->flags |= AVFMT_FLAG_CUSTOM_IO;

    const AVCodec* codec = encoderOf(recipe);
    e.codec = avcodec_alloc_context3(codec);
    e.stream = avformat_new_stream(e.format, nullptr);
    e.packet = av_packet_alloc();
    e.rgbFrame = av_frame_alloc();
    e.frame = av_frame_alloc();
    e.filtered = av_frame_alloc();
    if (e.codec == nullptr || e.stream == nullptr || e.packet == nullptr || e.rgbFrame == nullptr ||
        e.frame == nullptr || e.filtered == nullptr) {
        return e.failure(AVERROR(ENOMEM));
    }
    const AVRational rate = av_d2q(shape.fps, FrameRateDenominatorLimit);
    e.codec->width = e.codedWidth;
    e.codec->height = e.codedHeight;
    e.codec->pix_fmt = recipe.pixels;
    e.codec->time_base = av_inv_q(rate);
    e.codec->framerate = rate;
    // One thread: the encoder runs beside the flow's own, and the movie comes out the same.
    e.codec->thread_count = 1;
    if (yuv) {
        // What the RGB to YUV conversion below does: BT.601 in limited range.
        e.codec->color_range = AVCOL_RANGE_MPEG;
        e.codec->colorspace = AVCOL_SPC_SMPTE170M;
    }
    if ((e.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    av_dict_parse_string(&options, recipe.options, "=", ":", 0);
    status = avcodec_open2(e.codec, codec, &options);
    av_dict_free(&options);
    if (status < 0) {
        return e.failure(status);
    }
    status = avcodec_parameters_from_context(e.stream->codecpar, e.codec);
    e.stream->time_base = e.codec->time_base;
    if (status >= 0) {
        status = avformat_write_header(e.format, nullptr);
        e.headerWritten = status >= 0;
    }
    if (status < 0) {
        return e.failure(status);
    }

    e.rgbFrame->format = AV_PIX_FMT_RGB24;
    e.rgbFrame->width = e.codedWidth;
    e.rgbFrame->height = e.codedHeight;
    status = av_frame_get_buffer(e.rgbFrame, 0);
    if (status >= 0 && yuv) {
        e.frame->format = recipe.pixels;
        e.frame->width = e.codedWidth;
        e.frame->height = e.codedHeight;
        status = av_frame_get_buffer(e.frame, 0);
        e.converter = sws_getContext(e.codedWidth, e.codedHeight, AV_PIX_FMT_RGB24, e.codedWidth, e.codedHeight,
                                     recipe.pixels, SWS_POINT, nullptr, nullptr, nullptr);
        if (status >= 0 && e.converter == nullptr) {
            status = AVERROR(ENOMEM);
        }
    }
    if (status >= 0 && !yuv) {
        status = e.makePaletteGraph();
    }
    if (status < 0) {
        return e.failure(status);
    }
    encoder_ = std::move(encoder);
    return std::nullopt;
}

std::optional<FileError> MovieWriter::addFrame(std::span<const std::uint8_t> rgb) {
    if (!encoder_ || completed_) {
        return FileError{FileErrorKind::writeFailed, path_, std::strerror(EBADF)};
    }
    Encoder& e = *encoder_;
    const auto rowBytes = static_cast<std::size_t>(e.shape.width) * RgbBytes;
    if (rgb.size() != rowBytes * static_cast<std::size_t>(e.shape.height)) {
        const FileError error{FileErrorKind::pictureSizeMismatch, path_, {}};
        discard();
        return error;
    }
    int status = av_frame_make_writable(e.rgbFrame);
    if (status >= 0) {
        // The picture's rows, then its last column and row repeated to the even size.
        for (int y = 0; y < e.codedHeight; ++y) {
            const std::uint8_t* from =
                rgb.data() + rowBytes * static_cast<std::size_t>(std::min(y, e.shape.height - 1));
            std::uint8_t* to = e.rgbFrame->data[0] + static_cast<std::ptrdiff_t>(y) * e.rgbFrame->linesize[0];
            std::memcpy(to, from, rowBytes);
            if (e.codedWidth > e.shape.width) {
                std::memcpy(to + rowBytes, from + rowBytes - RgbBytes, RgbBytes);
            }
        }
        e.rgbFrame->pts = e.frames;
    }
    if (status >= 0 && e.converter != nullptr) {
        status = av_frame_make_writable(e.frame);
        if (status >= 0) {
            sws_scale(e.converter, e.rgbFrame->data, e.rgbFrame->linesize, 0, e.codedHeight, e.frame->data,
                      e.frame->linesize);
            e.frame->pts = e.frames;
            status = e.encode(e.frame);
        }
    } else if (status >= 0) {
        status = e.filterAndEncode(e.rgbFrame);
    }
    if (status < 0) {
        const FileError error = e.failure(status);
        discard();
        return error;
    }
    ++e.frames;
    return std::nullopt;
}

std::optional<FileError> MovieWriter::complete() {
    if (!encoder_ || completed_) {
        return FileError{FileErrorKind::writeFailed, path_, std::strerror(EBADF)};
    }
    Encoder& e = *encoder_;
    if (e.frames == 0) {
        discard();
        return FileError{FileErrorKind::movieEncodeFailed, path_, "no frames"};
    }
    int status = e.converter != nullptr ? e.encode(nullptr) : e.filterAndEncode(nullptr);
    if (status >= 0 && e.converter == nullptr) {
        status = e.encode(nullptr);
    }
    if (status >= 0) {
        status = av_write_trailer(e.format);
        e.trailerWritten = true;
    }
    if (status >= 0) {
        avio_flush(e.io);
        status = e.io->error;
    }
    if (status < 0) {
        const FileError error = e.failure(status);
        discard();
        return error;
    }
    completed_ = true;
    return std::nullopt;
}

AtomicFile* MovieWriter::completedFile() { return completed_ ? &encoder_->file : nullptr; }

std::optional<FileError> MovieWriter::finish() {
    if (auto error = complete()) {
        return error;
    }
    std::optional<FileError> committed = encoder_->file.commit();
    discard();
    return committed;
}

}  // namespace swirlon
