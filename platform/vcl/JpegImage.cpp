#include "platform/vcl/JpegImage.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors by calling back, and the callback must not return:
// it longjmps to the setjmp of the step that was running. The steps below are
// therefore plain C in spirit, and no object with a destructor is alive in
// them; the error is raised as an exception only once the step has returned.

namespace {

// Larger pictures are refused before any memory is set aside for them.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;
// A progressive picture needs some ten scans; thousands only cost time.
constexpr int kMaxScans = 1000;

struct Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 32];
};

Decoder* DecoderOf(j_common_ptr info) {
    return static_cast<Decoder*>(info->client_data);
}

[[noreturn]] void ExitWithError(j_common_ptr info) {
    Decoder* decoder = DecoderOf(info);
    char reason[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, reason);
    std::snprintf(decoder->message, sizeof decoder->message, "JPEG error #%d: %s",
                  info->err->msg_code, reason);
    std::longjmp(decoder->jump, 1);
}

void EmitMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;  // trace output
    // At a premature end libjpeg fills the rest of the picture with grey and
    // goes on; a cut-off file is broken, so it ends the decoding here.
    if (info->err->msg_code == JWRN_JPEG_EOF)
        ExitWithError(info);
    ++info->err->num_warnings;
}

// Ends the running step with an error of our own.
[[noreturn]] void Fail(Decoder* decoder, const char* message) {
    std::snprintf(decoder->message, sizeof decoder->message, "%s", message);
    std::longjmp(decoder->jump, 1);
}

void LimitScans(j_common_ptr info) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans)
        Fail(DecoderOf(info), "JPEG error: the picture has too many scans");
}

bool ReadHeader(Decoder* decoder, const unsigned char* data, std::size_t size) {
    if (setjmp(decoder->jump))
        return false;
    jpeg_create_decompress(&decoder->info);
    decoder->info.mem->max_memory_to_use = kMaxLibraryMemory;
    decoder->info.progress = &decoder->progress;
    jpeg_mem_src(&decoder->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&decoder->info, TRUE);
    return true;
}

// Fills `rows` rows of `pixels`, `stride` bytes apart, with the picture as RGB.
bool ReadPixels(Decoder* decoder, unsigned char* pixels, std::size_t stride, std::size_t rows) {
    if (setjmp(decoder->jump))
        return false;
    jpeg_decompress_struct* info = &decoder->info;
    info->out_color_space = JCS_RGB;
    info->scale_num = info->scale_denom = 1;
    jpeg_start_decompress(info);
    if (info->output_components != 3)
        ERREXIT(info, JERR_CONVERSION_NOTIMPL);
    if (std::size_t{info->output_width} * 3 > stride || info->output_height > rows)
        Fail(decoder, "JPEG error: the picture does not fit its own dimensions");
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = pixels + std::size_t{info->output_scanline} * stride;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

// Releases libjpeg's memory on every way out, error or not.
class DecoderRelease {
public:
    explicit DecoderRelease(Decoder* decoder) : decoder_(decoder) {}
    ~DecoderRelease() { jpeg_destroy_decompress(&decoder_->info); }
    DecoderRelease(const DecoderRelease&) = delete;
    DecoderRelease& operator=(const DecoderRelease&) = delete;

private:
    Decoder* const decoder_;
};

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size) {
    // Two bytes are the least that can start a JPEG stream.
    if (data == nullptr || size < 2)
        throw EInvalidGraphic("The picture is not a JPEG image");

    // Zeroed, so that releasing it is safe before libjpeg has set it up.
    Decoder decoder{};
    decoder.info.err = jpeg_std_error(&decoder.errors);
    decoder.errors.error_exit = ExitWithError;
    decoder.errors.emit_message = EmitMessage;
    decoder.progress.progress_monitor = LimitScans;
    decoder.info.client_data = &decoder;
    const DecoderRelease release(&decoder);

    if (!ReadHeader(&decoder, data, size))
        throw EInvalidGraphic(decoder.message);
    const JDIMENSION width = decoder.info.image_width;
    const JDIMENSION height = decoder.info.image_height;
    if (std::uint64_t{width} * height > kMaxPixels)
        throw EInvalidGraphic("The picture is too large");

    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (image.isNull())
        throw EInvalidGraphic("Not enough memory for the picture");
    if (!ReadPixels(&decoder, image.bits(), static_cast<std::size_t>(image.bytesPerLine()),
                    static_cast<std::size_t>(image.height())))
        throw EInvalidGraphic(decoder.message);
    return image;
}
