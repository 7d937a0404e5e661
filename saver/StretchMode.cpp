// Mode 1: every picture stretched over the whole screen; a damaged one shows as the card centred
// on the background.
#include "Show.h"

namespace quillo {

namespace {

class StretchMode : public DisplayMode {
public:
    explicit StretchMode(Show& show) : show_(show), image_(show.form().addImage({})) {}

    FrameDue begin(std::uint64_t) override {
        image_.setVisible(false);
        image_.clearPicture();  // the old picture goes before the next one is decoded
        // The picture comes stretched to the screen already, so only that copy is kept.
        image_.setPicture(show_.nextScreenPicture(use()).picture);
        image_.setStretch(true);
        const Size screen = show_.screen();
        image_.setBounds(0, 0, screen.width, screen.height);
        show_.showImage(image_);
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

private:
    PictureUse use() const {
        const Size screen = show_.screen();
        return {.cover = screen,
                .shape = {.keep = PictureShape::Keep::Stretched, .size = screen, .screen = screen}};
    }

    Show& show_;
    ImageControl& image_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeStretchMode(Show& show) {
    return std::make_unique<StretchMode>(show);
}

}  // namespace quillo
