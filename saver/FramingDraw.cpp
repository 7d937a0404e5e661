#include "FramingDraw.h"

#include <pixman.h>

#include <cmath>
#include <memory>

#include "Errors.h"

namespace quillo {

namespace {

// The bitmaps' pixels as pixman reads them: one word a pixel, 0xFFRRGGBB. The pad byte is always
// 0xFF, so they are taken as opaque ARGB, the format of pixman's fastest filtered paths; drawn
// over with opaque pictures, the target's pad byte stays 0xFF.
constexpr pixman_format_code_t kPixelFormat = PIXMAN_a8r8g8b8;
static_assert(kPixelPad == 0xFF000000u, "pixels are opaque ARGB words");

struct ImageUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageUnref>;

// The bitmap's own pixels, not a copy; pixman only reads a source.
Image wrap(const Bitmap& bitmap) {
    Image image(pixman_image_create_bits(kPixelFormat, bitmap.width(), bitmap.height(),
                                         const_cast<Pixel*>(bitmap.data()), int(bitmap.stride())));
    if (!image) throw InvalidGraphic("pixman cannot take this bitmap");
    return image;
}

}  // namespace

void drawFraming(Bitmap& target, const Bitmap& picture, const Framing& framing, double weight) {
    if (target.empty() || picture.empty() || weight <= 0 || framing.width <= 0 ||
        framing.height <= 0)
        return;
    const Image dst = wrap(target);
    const Image src = wrap(picture);
    // Each target pixel's centre maps to the picture's point it shows: pixman samples the source
    // at the transformed centre, so the framing's fractional edges come out as blended columns.
    pixman_f_transform f;
    pixman_f_transform_init_scale(&f, framing.width / target.width(),
                                  framing.height / target.height());
    pixman_f_transform_translate(&f, nullptr, framing.x, framing.y);
    pixman_transform t;
    if (!pixman_transform_from_pixman_f_transform(&t, &f)) return;
    pixman_image_set_transform(src.get(), &t);
    pixman_image_set_filter(src.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
    // Samples next to the picture's edge take the edge pixel, not a transparent outside.
    pixman_image_set_repeat(src.get(), PIXMAN_REPEAT_PAD);
    if (weight >= 1) {
        pixman_image_composite32(PIXMAN_OP_SRC, src.get(), nullptr, dst.get(), 0, 0, 0, 0, 0, 0,
                                 target.width(), target.height());
        return;
    }
    // The weight as a uniform mask: the picture over the target, the target keeping the rest.
    const pixman_color_t alpha{0, 0, 0, std::uint16_t(std::lround(weight * 0xFFFF))};
    const Image mask(pixman_image_create_solid_fill(&alpha));
    pixman_image_composite32(PIXMAN_OP_OVER, src.get(), mask.get(), dst.get(), 0, 0, 0, 0, 0, 0,
                             target.width(), target.height());
}

}  // namespace quillo
