#include "FallbackPicture.h"

#include <string_view>

#include "LayoutGeometry.h"
#include "Scale.h"

namespace quillo {

namespace {

constexpr int kWidth = 72;
constexpr int kHeight = 65;
constexpr int kScale = 3;        // each font cell becomes a 3 by 3 block
constexpr int kGlyphHeight = 7;  // font cells
constexpr int kLineGap = 3;      // font cells between the two lines
constexpr int kLetterGap = 1;    // font cells between letters

// A tiny bold font: '#' is ink. Every row of a glyph has the glyph's width.
struct Glyph {
    char ch;
    std::string_view rows[kGlyphHeight];
};

constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'!', {"#", "#", "#", "#", "#", ".", "#"}},
};

const Glyph& glyphFor(char c) {
    for (const Glyph& g : kFont)
        if (g.ch == c) return g;
    return kFont[0];
}

int textWidthCells(std::string_view text) {
    int w = 0;
    for (char c : text) w += int(glyphFor(c).rows[0].size()) + kLetterGap;
    return text.empty() ? 0 : w - kLetterGap;
}

void drawLine(Bitmap& b, std::string_view text, int top) {
    int x = (kWidth - textWidthCells(text) * kScale) / 2;
    for (char c : text) {
        const Glyph& g = glyphFor(c);
        const int w = int(g.rows[0].size());
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < w; ++col)
                if (g.rows[row][std::size_t(col)] == '#')
                    b.fillRect(Rect::fromSize(x + col * kScale, top + row * kScale, kScale, kScale),
                               clBlack);
        x += (w + kLetterGap) * kScale;
    }
}

Bitmap makeFallbackPicture() {
    Bitmap b(kWidth, kHeight);
    b.fill(clWhite);
    const int blockHeight = (2 * kGlyphHeight + kLineGap) * kScale;
    const int top = (kHeight - blockHeight) / 2;
    drawLine(b, "BAD", top);
    drawLine(b, "PIC!", top + (kGlyphHeight + kLineGap) * kScale);
    return b;
}

}  // namespace

const Bitmap& fallbackPicture() {
    static const Bitmap picture = makeFallbackPicture();
    return picture;
}

Bitmap fallbackCard(Size screen, Color background) {
    Bitmap card(screen.width, screen.height);
    card.fill(background);
    const Point at = centerImage(screen, kWidth, kHeight);
    drawAt(card, at.x, at.y, fallbackPicture(), card.rect());
    return card;
}

}  // namespace quillo
