#include "JpegImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "Bitmap.h"
#include "Errors.h"
#include "Exif.h"
#include "Orientation.h"
#include "PictureFile.h"
#include "Scale.h"

namespace quillo {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. We jump back to
// runLibjpeg, which holds only plain data, so no destructor is skipped; the C++ exception is
// thrown only after it has returned.
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

// A progressive file may repeat scans without end, each one a pass over the whole image, so a
// few kilobytes could keep the decoder busy for minutes. Real files have about ten scans.
constexpr int kMaxScans = 500;

// The run's code for a decode whose stop was raised: no libjpeg message has it.
constexpr int kStoppedCode = -1;

// libjpeg calls its progress monitor for every row of blocks it reads and every call for rows
// it gives: the place to give up on too many scans, or on a decode no longer wanted.
struct Progress {
    jpeg_progress_mgr pub;
    const DecodeStop* stop;
};

void monitorProgress(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        errorExit(cinfo);
    }
    const Progress* progress = reinterpret_cast<const Progress*>(cinfo->progress);
    if (progress->stop && progress->stop->requested()) {
        cinfo->err->msg_code = kStoppedCode;
        errorExit(cinfo);
    }
}

// What libjpeg itself may allocate beside our bitmap, per pixel of the budget: a progressive or
// multi-scan file needs its whole coefficient array at full size whatever the output scale (3
// bytes a pixel for the usual 4:2:0 sampling). A header that claims more than its data hold
// thus fails cleanly instead of costing gigabytes.
constexpr std::uint64_t kLibjpegBytesPerPixel = 3;
constexpr std::uint64_t kLibjpegFixedBytes = std::uint64_t(16) << 20;

// One run of libjpeg over a file: the header only (lineStart == nullptr), or the whole decode
// into the caller's bitmap. Plain data only, see ErrorManager.
struct LibjpegRun {
    // The input: `size` bytes at `data`, then the bytes of the open file `fd` (-1: none) from
    // fileOffset up to fileEnd, read chunkSize bytes at a time into `chunk`.
    const std::uint8_t* data;
    std::size_t size;
    int fd;
    std::uint64_t fileOffset;
    std::uint64_t fileEnd;
    std::uint8_t* chunk;
    std::size_t chunkSize;
    long maxMemory;
    const DecodeStop* stop;  // none: the decode runs to its end
    // The header, filled in by every run.
    int width;
    int height;
    int components;
    J_COLOR_SPACE colorSpace;
    ExifFacts exif;  // the orientation and the date taken; the defaults when the file has none
    // The decode at 1/scale, of output size outWidth x outHeight. The kept pixels go out in
    // `lines` lines of lineLength pixels: line l is output row lineRow[l] (never decreasing; null
    // for row l), and its pixel i, output column pick[i] (null for column i), goes to
    // lineStart[l] + i * pixelStep bytes. A line may be a row or a column of the caller's
    // bitmap, so a picture is turned and cut while it is decoded. `scratch` holds one row of
    // outWidth * 4 bytes; `held` holds heldRows (1 to kMaxHeldRows) rows of outWidth pixel words:
    // that many lines are written together, which keeps the writes of a quarter turn close to
    // each other.
    int scale;
    bool quantize;
    std::uint8_t** lineStart;
    const int* lineRow;
    int lines;
    const int* pick;
    int lineLength;
    std::ptrdiff_t pixelStep;
    std::uint8_t* scratch;
    Pixel* held;
    int heldRows;
    int outWidth;
    int outHeight;
};

constexpr int kMaxHeldRows = 64;

constexpr std::ptrdiff_t kPixelBytes = sizeof(Pixel);

// How much of the file a decode reads at a time.
constexpr std::size_t kFileChunkBytes = std::size_t(64) << 10;

// Writes `count` lines from `first` on, line first + k taking its pixels from the row of pixel
// words rowOf[k]. Pixel by pixel across the lines, so that a quarter turn writes each output
// row's pixels of these lines side by side.
void writeLines(const LibjpegRun& run, int first, int count, const Pixel* const* rowOf) {
    if (count == 0) return;
    if (run.pixelStep == kPixelBytes && !run.pick) {
        for (int k = 0; k < count; ++k)
            std::memcpy(run.lineStart[first + k], rowOf[k],
                        std::size_t(run.lineLength) * sizeof(Pixel));
        return;
    }
    // The lines of a quarter turn are neighbouring columns: their pixels in one output row lie
    // side by side, `across` bytes apart.
    const std::ptrdiff_t across = count > 1 ? run.lineStart[first + 1] - run.lineStart[first] : 0;
    for (int i = 0; i < run.lineLength; ++i) {
        const std::size_t from = std::size_t(run.pick ? run.pick[i] : i);
        std::uint8_t* out = run.lineStart[first] + std::ptrdiff_t(i) * run.pixelStep;
        for (int k = 0; k < count; ++k, out += across)
            std::memcpy(out, rowOf[k] + from, sizeof(Pixel));
    }
}

// libjpeg-turbo's colour space that lays out our pixel words in memory; it sets the padding byte
// to 0xFF.
constexpr J_COLOR_SPACE kPixelColorSpace = kLittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

bool fourComponents(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

void setDecodeParameters(jpeg_decompress_struct& cinfo, const LibjpegRun& run) {
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(run.scale);
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    if (fourComponents(cinfo.jpeg_color_space)) {
        // libjpeg turns YCCK into CMYK; the ink to colour step is ours (expandCmykRow). Not
        // quantised on a palette screen: libjpeg's quantiser works on the output components.
        cinfo.out_color_space = JCS_CMYK;
    } else if (run.quantize) {
        // Grey stays grey (one-pass quantiser); colour gets libjpeg's two-pass optimised palette.
        cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 236;
    } else {
        // Straight into our rows of pixel words, no copy afterwards.
        cinfo.out_color_space = kPixelColorSpace;
    }
}

// Expands one row of palette indexes into pixel words.
void expandPaletteRow(const jpeg_decompress_struct& cinfo, const std::uint8_t* index, Pixel* out,
                      int width) {
    const JSAMPARRAY map = cinfo.colormap;
    if (cinfo.out_color_components == 1) {
        for (int x = 0; x < width; ++x) {
            const int v = map[0][index[x]];
            out[x] = pixelOf(v, v, v);
        }
    } else {
        for (int x = 0; x < width; ++x)
            out[x] = pixelOf(map[0][index[x]], map[1][index[x]], map[2][index[x]]);
    }
}

// Four-component pixels to pixel words: each colour is what is left of white under its ink
// and the black, red = (255 - C) * (255 - K) / 255. Files with Adobe's marker store the inks
// inverted (255 means no ink), which is how nearly every CMYK JPEG is written.
void expandCmykRow(const std::uint8_t* in, Pixel* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4) {
        const unsigned c = inverted ? in[0] : 255u - in[0];
        const unsigned m = inverted ? in[1] : 255u - in[1];
        const unsigned y = inverted ? in[2] : 255u - in[2];
        const unsigned k = inverted ? in[3] : 255u - in[3];
        out[x] =
            pixelOf(int((c * k + 127) / 255), int((m * k + 127) / 255), int((y * k + 127) / 255));
    }
}

// The orientation and date of the first Exif block among the saved APP1 segments.
ExifFacts exifOf(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0", 6) == 0)
            return readExif({m->data, m->data_length});
    return {};
}

// libjpeg's input: the run's bytes, then its file a chunk at a time. Past the end it gives an end
// marker and the end-of-file warning, as libjpeg's own sources do, so data cut short fail.
struct RunSource {
    jpeg_source_mgr pub;
    LibjpegRun* run;
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
    RunSource* src = reinterpret_cast<RunSource*>(cinfo->src);
    LibjpegRun& run = *src->run;
    if (run.fd >= 0 && run.fileOffset < run.fileEnd) {
        const std::uint64_t left = run.fileEnd - run.fileOffset;
        const long n = readFileAt(run.fd, run.fileOffset, run.chunk,
                                  std::size_t(std::min<std::uint64_t>(run.chunkSize, left)));
        if (n > 0) {
            run.fileOffset += std::uint64_t(n);
            src->pub.next_input_byte = run.chunk;
            src->pub.bytes_in_buffer = std::size_t(n);
            return TRUE;
        }
    }
    static const JOCTET kEnd[] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->pub.next_input_byte = kEnd;
    src->pub.bytes_in_buffer = sizeof kEnd;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr& src = *cinfo->src;
    if (count <= 0) return;
    while (count > long(src.bytes_in_buffer)) {
        count -= long(src.bytes_in_buffer);
        fillInput(cinfo);
    }
    src.next_input_byte += count;
    src.bytes_in_buffer -= std::size_t(count);
}

// Returns 0 or libjpeg's message code.
int runLibjpeg(LibjpegRun* run) {
    jpeg_decompress_struct cinfo;
    RunSource source{};
    ErrorManager err;
    Progress progress{};
    progress.pub.progress_monitor = monitorProgress;
    progress.stop = run->stop;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return code;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress.pub;
    cinfo.mem->max_memory_to_use = run->maxMemory;
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillInput;
    source.pub.skip_input_data = skipInput;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termSource;
    source.pub.next_input_byte = run->data;
    source.pub.bytes_in_buffer = run->size;
    source.run = run;
    cinfo.src = &source.pub;
    // Exif lives in APP1; only the header run looks at it.
    const bool headerOnly = !run->lineStart;
    if (headerOnly) jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    run->width = int(cinfo.image_width);
    run->height = int(cinfo.image_height);
    run->components = cinfo.num_components;
    run->colorSpace = cinfo.jpeg_color_space;
    run->exif = headerOnly ? exifOf(cinfo) : ExifFacts{};
    if (headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    setDecodeParameters(cinfo, *run);
    jpeg_start_decompress(&cinfo);
    // The bitmap was sized from the same header; anything else would be a libjpeg surprise.
    if (int(cinfo.output_width) != run->outWidth || int(cinfo.output_height) != run->outHeight)
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    const bool whole = run->lines == run->outHeight && run->lineLength == run->outWidth &&
                       !run->lineRow && !run->pick && run->pixelStep == kPixelBytes;
    if (!whole || cinfo.out_color_space == JCS_CMYK || cinfo.quantize_colors) {
        JSAMPROW scratch = run->scratch;
        const int outWidth = run->outWidth;
        const bool direct = cinfo.out_color_space == kPixelColorSpace;
        const auto rowOfLine = [run](int l) { return run->lineRow ? run->lineRow[l] : l; };
        // Lines first to l - 1 wait for their write, from rows held in slots up to `slot`.
        const Pixel* rowOf[kMaxHeldRows];
        int first = 0, l = 0, slot = 0;
        while (l < run->lines && cinfo.output_scanline < cinfo.output_height) {
            const int y = int(cinfo.output_scanline);
            Pixel* held = run->held + std::size_t(slot) * std::size_t(outWidth);
            JSAMPROW target = direct ? reinterpret_cast<JSAMPROW>(held) : scratch;
            jpeg_read_scanlines(&cinfo, &target, 1);
            if (rowOfLine(l) != y) continue;
            // The row in pixel words, then every line that takes it.
            if (cinfo.quantize_colors)
                expandPaletteRow(cinfo, scratch, held, outWidth);
            else if (!direct)
                expandCmykRow(scratch, held, outWidth, cinfo.saw_Adobe_marker);
            for (; l < run->lines && rowOfLine(l) == y; ++l) {
                if (l - first == run->heldRows) {
                    writeLines(*run, first, l - first, rowOf);
                    first = l;
                }
                rowOf[l - first] = held;
            }
            if (++slot == run->heldRows) {
                writeLines(*run, first, l - first, rowOf);
                first = l;
                slot = 0;
            }
        }
        writeLines(*run, first, l - first, rowOf);
        // The rows below are still read, so a file damaged there fails as it does whole; skipping
        // spares their output work. A skip to the very end would not read the data, so the last
        // row is decoded; libjpeg cannot skip under its two-pass palette.
        if (cinfo.output_scanline + 1 < cinfo.output_height && !cinfo.quantize_colors)
            jpeg_skip_scanlines(&cinfo, cinfo.output_height - cinfo.output_scanline - 1);
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, &scratch, 1);
    } else {
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION y = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, run->lineStart + y, cinfo.output_height - y);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

LibjpegRun headerRun(std::span<const std::uint8_t> bytes, long maxMemory) {
    LibjpegRun run{};
    run.data = bytes.data();
    run.size = bytes.size();
    run.fd = -1;
    run.maxMemory = maxMemory;
    return run;
}

int scaled(int size, int scale) {
    return int((std::int64_t(size) + scale - 1) / scale);  // libjpeg rounds up
}

}  // namespace

std::optional<std::uint64_t> jpegBytesNeeded(std::span<const std::uint8_t> head) {
    LibjpegRun run = headerRun(head, 0);
    const int code = runLibjpeg(&run);
    if (code == JWRN_JPEG_EOF) return std::nullopt;
    if (code) return head.size();
    return std::uint64_t(run.width) * std::uint64_t(run.height) * kJpegBytesPerPixel +
           kJpegMetadataBytes;
}

int jpegScaleFor(int width, int height, const DecodeOptions& options) {
    const auto covers = [&](int scale) {
        return scaled(width, scale) >= options.cover.width &&
               scaled(height, scale) >= options.cover.height;
    };
    const bool wantsCover = options.cover.width > 0 && options.cover.height > 0;
    for (int scale = 1; scale <= 8; scale *= 2) {
        const std::uint64_t pixels =
            std::uint64_t(scaled(width, scale)) * std::uint64_t(scaled(height, scale));
        if (pixels > options.pixelBudget) continue;
        if (scale < 8 && wantsCover && covers(scale * 2)) continue;
        return scale;
    }
    return 0;
}

JpegImage::JpegImage(std::vector<std::uint8_t> bytes, const DecodeOptions& options,
                     std::unique_ptr<PictureFile> file, std::uint64_t fileEnd)
    : bytes_(std::move(bytes)), file_(std::move(file)), fileEnd_(fileEnd) {
    const std::uint64_t most = std::uint64_t(std::numeric_limits<long>::max()) / 4;
    maxMemory_ = std::min(options.pixelBudget, most) * kLibjpegBytesPerPixel + kLibjpegFixedBytes;
    LibjpegRun run = headerRun(bytes_, long(maxMemory_));
    if (const int code = runLibjpeg(&run)) throw JpegError(code);
    // The picture is what the camera meant: upright, so its size is the turned one, and a
    // cover asked for upright is turned back to the stored axes for the scale choice.
    orientation_ = run.exif.orientation;
    taken_ = run.exif.taken;
    const bool swap = orientationSwapsAxes(orientation_);
    DecodeOptions stored = options;
    if (swap) std::swap(stored.cover.width, stored.cover.height);
    scale_ = jpegScaleFor(run.width, run.height, stored);
    if (scale_ == 0) throw InvalidGraphic("The picture is too large");
    storedWidth_ = scaled(run.width, scale_);
    storedHeight_ = scaled(run.height, scale_);
    width_ = swap ? storedHeight_ : storedWidth_;
    height_ = swap ? storedWidth_ : storedHeight_;
    if (options.sample.width > 0 && options.sample.height > 0) {
        sampled_ = true;
        width_ = options.sample.width;
        height_ = options.sample.height;
    } else if (options.clip.width > 0 && options.clip.height > 0) {
        width_ = std::min(width_, options.clip.width);
        height_ = std::min(height_, options.clip.height);
    }
    grayscale_ = run.components == 1;
    quantize_ = grayscale_ || options.screenDepth <= 8;
    stop_ = options.stop;
}

JpegImage::~JpegImage() = default;

JpegImage::Lines JpegImage::placeLines(Bitmap& out) const {
    // Output pixel (x, y) shows the upright picture's (ux, uy): itself, or the pixel a
    // nearest-neighbour stretch to the sample size takes. The orientation says which stored pixel
    // that is; a quarter turn makes each stored row an output column.
    const bool swap = orientationSwapsAxes(orientation_);
    const int uprightWidth = swap ? storedHeight_ : storedWidth_;
    const int uprightHeight = swap ? storedWidth_ : storedHeight_;
    const auto uprightX = [&](int x) {
        return sampled_ ? nearestSource(x, width_, uprightWidth) : x;
    };
    const auto uprightY = [&](int y) {
        return sampled_ ? nearestSource(y, height_, uprightHeight) : y;
    };
    // Stored column and row of upright (ux, uy): 2 and 3 mirror the columns, 3 and 4 the rows; 5
    // to 8 swap the axes, 7 and 8 then reversing the columns, 6 and 7 the rows.
    const bool reverseColumns =
        orientation_ == 2 || orientation_ == 3 || orientation_ == 7 || orientation_ == 8;
    const bool reverseRows =
        orientation_ == 3 || orientation_ == 4 || orientation_ == 6 || orientation_ == 7;
    const auto storedColumn = [&](int u) { return reverseColumns ? storedWidth_ - 1 - u : u; };
    const auto storedRow = [&](int u) { return reverseRows ? storedHeight_ - 1 - u : u; };

    Lines lines;
    const int count = swap ? width_ : height_;
    lines.length = swap ? height_ : width_;
    lines.step = swap ? std::ptrdiff_t(out.stride()) : kPixelBytes;
    lines.start.resize(std::size_t(count));
    lines.row.resize(std::size_t(count));
    lines.pick.resize(std::size_t(lines.length));
    for (int l = 0; l < count; ++l) {
        lines.start[std::size_t(l)] =
            reinterpret_cast<std::uint8_t*>(swap ? out.data() + l : out.row(l));
        lines.row[std::size_t(l)] = storedRow(swap ? uprightX(l) : uprightY(l));
    }
    for (int i = 0; i < lines.length; ++i)
        lines.pick[std::size_t(i)] = storedColumn(swap ? uprightY(i) : uprightX(i));
    // libjpeg gives the rows top to bottom.
    if (reverseRows) {
        std::reverse(lines.start.begin(), lines.start.end());
        std::reverse(lines.row.begin(), lines.row.end());
    }
    // Rows or columns taken as they are need no map: the run's fast paths.
    const auto identity = [](const std::vector<int>& map) {
        for (std::size_t i = 0; i < map.size(); ++i)
            if (map[i] != int(i)) return false;
        return true;
    };
    if (identity(lines.row)) lines.row.clear();
    if (!swap && identity(lines.pick)) lines.pick.clear();
    return lines;
}

const Bitmap& JpegImage::bitmap() const {
    if (decoded_) return *decoded_;
    if (failedCode_) throw JpegError(failedCode_);
    int code = 0;
    Bitmap out;
    try {
        // The upright picture is written as it is decoded: no stored copy is turned afterwards,
        // so a turned photo costs what an upright one does.
        out = Bitmap::uninitialized(width_, height_);
        const Lines lines = placeLines(out);
        std::vector<std::uint8_t> scratch(std::size_t(storedWidth_) * 4);
        // A quarter turn writes columns: several at a time keep its writes together.
        const int heldRows = lines.step == kPixelBytes ? 1 : kMaxHeldRows;
        std::vector<Pixel> held(std::size_t(storedWidth_) * std::size_t(heldRows));
        LibjpegRun run = headerRun(bytes_, long(maxMemory_));
        std::vector<std::uint8_t> chunk;
        if (file_) {
            chunk.resize(kFileChunkBytes);
            run.fd = file_->descriptor();
            run.fileOffset = bytes_.size();
            run.fileEnd = std::min(fileEnd_, file_->size());
            run.chunk = chunk.data();
            run.chunkSize = chunk.size();
        }
        run.stop = stop_.by;
        run.scale = scale_;
        run.quantize = quantize_;
        run.lineStart = const_cast<std::uint8_t**>(lines.start.data());
        run.lineRow = lines.row.empty() ? nullptr : lines.row.data();
        run.lines = int(lines.start.size());
        run.pick = lines.pick.empty() ? nullptr : lines.pick.data();
        run.lineLength = lines.length;
        run.pixelStep = lines.step;
        run.scratch = scratch.data();
        run.held = held.data();
        run.heldRows = heldRows;
        run.outWidth = storedWidth_;
        run.outHeight = storedHeight_;
        code = runLibjpeg(&run);
    } catch (const std::bad_alloc&) {
        code = JERR_OUT_OF_MEMORY;
    }
    // Whatever the outcome, the stop is not asked again: it may belong to a decode ahead that
    // ends before this picture does. A stopped picture is decoded whole if it is ever wanted.
    stop_ = {};
    if (code == kStoppedCode) throw DecodeStopped();
    if (code) {
        if (code == JERR_OUT_OF_MEMORY) throw JpegError(code);
        failedCode_ = code;
    } else {
        decoded_ = std::move(out);
    }
    // The pixels, or the failure, are kept: the file is not read again.
    std::vector<std::uint8_t>().swap(bytes_);
    file_.reset();
    if (code) throw JpegError(code);
    return *decoded_;
}

}  // namespace quillo
