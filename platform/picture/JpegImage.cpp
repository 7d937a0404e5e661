#include "JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "Errors.h"
#include "Exif.h"
#include "Orientation.h"

namespace quillo {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. We jump back to the
// function that called into libjpeg; those functions hold only plain data, so no destructor is
// skipped, and the C++ exception is thrown only after they have returned.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void errorExit(j_common_ptr cinfo) {
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings and trace messages are ignored, except one: at the end of its input libjpeg pads the
// image with grey and calls it a warning, but a file cut short is a damaged picture.
void emitMessage(j_common_ptr cinfo, int msgLevel) {
    if (msgLevel < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) errorExit(cinfo);
}

void outputMessage(j_common_ptr) {}

void installErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err) {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
}

// A progressive file may repeat scans without end, each one a pass over the whole image, so a
// few kilobytes could keep the decoder busy for minutes. Real files have about ten scans.
constexpr int kMaxScans = 500;

void limitScans(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        errorExit(cinfo);
    }
}

struct HeaderInfo {
    int width;
    int height;
    bool grayscale;
    int orientation;  // Exif, 1 when the file has none
};

// The orientation of the first Exif block among the saved APP1 segments.
int orientationOf(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0", 6) == 0)
            return exifOrientation({m->data, m->data_length});
    return 1;
}

// Returns 0 or libjpeg's message code.
int readHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* info) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    installErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return code;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    info->width = int(cinfo.image_width);
    info->height = int(cinfo.image_height);
    info->grayscale = cinfo.num_components == 1;
    info->orientation = orientationOf(cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

// What the decoder needs from the caller: the file and the rows of a bitmap of the header's size.
// `indexRow` (width bytes) is used only when quantising to a palette.
struct DecodeJob {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t** rows;
    std::uint8_t* indexRow;
    int width;
    int height;
    bool quantize;
};

void setDecodeParameters(jpeg_decompress_struct& cinfo, bool quantize) {
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    if (quantize) {
        // Grey stays grey (one-pass quantiser); colour gets libjpeg's two-pass optimised palette.
        cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 236;
    } else {
        // Straight into our blue-green-red rows, no copy afterwards.
        cinfo.out_color_space = JCS_EXT_BGR;
    }
}

// Expands one row of palette indexes into blue-green-red pixels.
void expandPaletteRow(const jpeg_decompress_struct& cinfo, const std::uint8_t* index,
                      std::uint8_t* out, int width) {
    const JSAMPARRAY map = cinfo.colormap;
    if (cinfo.out_color_components == 1) {
        for (int x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = map[0][index[x]];
    } else {
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = map[2][index[x]];
            out[1] = map[1][index[x]];
            out[2] = map[0][index[x]];
        }
    }
}

// Returns 0 or libjpeg's message code (JERR_OUT_OF_MEMORY style codes included).
int decode(const DecodeJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limitScans;
    installErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return code;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(&cinfo, TRUE);
    setDecodeParameters(cinfo, job->quantize);
    jpeg_start_decompress(&cinfo);
    // The bitmap was sized from the same header; anything else would be a libjpeg surprise.
    if (int(cinfo.output_width) != job->width || int(cinfo.output_height) != job->height)
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    if (job->quantize) {
        JSAMPROW indexRow = job->indexRow;
        while (cinfo.output_scanline < cinfo.output_height) {
            const int y = int(cinfo.output_scanline);
            jpeg_read_scanlines(&cinfo, &indexRow, 1);
            expandPaletteRow(cinfo, indexRow, job->rows[y], job->width);
        }
    } else {
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION y = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, job->rows + y, cinfo.output_height - y);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

}  // namespace

std::optional<std::uint64_t> jpegBytesNeeded(std::span<const std::uint8_t> head) {
    HeaderInfo info{};
    const int code = readHeader(head.data(), head.size(), &info);
    if (code == JWRN_JPEG_EOF) return std::nullopt;
    if (code) return head.size();
    return std::uint64_t(info.width) * std::uint64_t(info.height) * kJpegBytesPerPixel +
           kJpegMetadataBytes;
}

JpegImage::JpegImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    HeaderInfo info{};
    if (const int code = readHeader(bytes_.data(), bytes_.size(), &info)) throw JpegError(code);
    if (std::uint64_t(info.width) * std::uint64_t(info.height) > kMaxPicturePixels)
        throw InvalidGraphic("The picture is too large");
    // The picture is what the camera meant: upright, so its size is the turned one.
    orientation_ = info.orientation;
    const bool swap = orientationSwapsAxes(orientation_);
    width_ = swap ? info.height : info.width;
    height_ = swap ? info.width : info.height;
    grayscale_ = info.grayscale;
}

JpegImage::~JpegImage() = default;

const Bitmap& JpegImage::bitmap() const {
    if (decoded_) return *decoded_;
    if (failedCode_) throw JpegError(failedCode_);
    const bool quantize = grayscale_ || screenColorDepth() <= 8;
    // Decoded as stored, then turned upright.
    const bool swap = orientationSwapsAxes(orientation_);
    const int storedWidth = swap ? height_ : width_, storedHeight = swap ? width_ : height_;
    int code = 0;
    Bitmap out;
    try {
        out = Bitmap::uninitialized(storedWidth, storedHeight);
        std::vector<std::uint8_t*> rows(static_cast<std::size_t>(storedHeight));
        for (int y = 0; y < storedHeight; ++y) rows[std::size_t(y)] = out.row(y);
        std::vector<std::uint8_t> indexRow(quantize ? static_cast<std::size_t>(storedWidth) : 0u);
        const DecodeJob job{bytes_.data(), bytes_.size(), rows.data(), indexRow.data(),
                            storedWidth,   storedHeight,  quantize};
        code = decode(&job);
        if (!code && orientation_ != 1) out = orientBitmap(out, orientation_);
    } catch (const std::bad_alloc&) {
        code = JERR_OUT_OF_MEMORY;
    }
    if (code) {
        if (code != JERR_OUT_OF_MEMORY) failedCode_ = code;
        throw JpegError(code);
    }
    decoded_ = std::move(out);
    return *decoded_;
}

}  // namespace quillo
