#include "ui/SectionIcons.h"

#include <array>
#include <string_view>

namespace hdmi::ui {
namespace {

using platform::ColorRef;
using platform::Rgb;

// One character per pixel. '.' is transparent; the others name a colour.
constexpr ColorRef PaletteColor(char c) {
    switch (c) {
        case 'k':
            return Rgb(0, 0, 0);
        case 'g':
            return Rgb(128, 128, 128);
        case 'w':
            return Rgb(255, 255, 255);
        case 'b':
            return Rgb(0, 70, 200);
        case 'r':
            return Rgb(210, 30, 30);
        case 'G':
            return Rgb(30, 160, 60);
        case 'o':
            return Rgb(255, 150, 40);
        case 'y':
            return Rgb(250, 220, 40);
        case 'c':
            return Rgb(40, 200, 220);
        case 'm':
            return Rgb(200, 60, 200);
        default:
            return Rgb(0, 0, 0);
    }
}

using IconArt = std::array<std::string_view, kSectionIconSize>;

// Parameters: three sliders with their knobs.
constexpr IconArt kParametersArt = {
    "................................", "................................",
    "................................", "........kkkkk...................",
    "........kbbbk...................", "........kbbbk...................",
    "..ggggggkbbbkggggggggggggggggg..", "..ggggggkbbbkggggggggggggggggg..",
    "..wwwwwwkbbbkwwwwwwwwwwwwwwwww..", "........kbbbk...................",
    "........kkkkk...................", "................................",
    "...................kkkkk........", "...................krrrk........",
    "...................krrrk........", "..gggggggggggggggggkrrrkgggggg..",
    "..gggggggggggggggggkrrrkgggggg..", "..wwwwwwwwwwwwwwwwwkrrrkwwwwww..",
    "...................krrrk........", "...................kkkkk........",
    "................................", "............kkkkk...............",
    "............kGGGk...............", "............kGGGk...............",
    "..ggggggggggkGGGkggggggggggggg..", "..ggggggggggkGGGkggggggggggggg..",
    "..wwwwwwwwwwkGGGkwwwwwwwwwwwww..", "............kGGGk...............",
    "............kkkkk...............", "................................",
    "................................", "................................",
};

// Colour: four framed colour swatches.
constexpr IconArt kColourArt = {
    "................................", "................................",
    "..kkkkkkkkkkkkk..kkkkkkkkkkkkk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..koooooooooook..kyyyyyyyyyyyk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..koooooooooook..kyyyyyyyyyyyk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..koooooooooook..kyyyyyyyyyyyk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..koooooooooook..kyyyyyyyyyyyk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..koooooooooook..kyyyyyyyyyyyk..", "..koooooooooook..kyyyyyyyyyyyk..",
    "..kkkkkkkkkkkkk..kkkkkkkkkkkkk..", "................................",
    "................................", "..kkkkkkkkkkkkk..kkkkkkkkkkkkk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kccccccccccck..kmmmmmmmmmmmk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kccccccccccck..kmmmmmmmmmmmk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kccccccccccck..kmmmmmmmmmmmk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kccccccccccck..kmmmmmmmmmmmk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kccccccccccck..kmmmmmmmmmmmk..",
    "..kccccccccccck..kmmmmmmmmmmmk..", "..kkkkkkkkkkkkk..kkkkkkkkkkkkk..",
    "................................", "................................",
};

// Range: a clock line between two cursors, with the span marked below.
constexpr IconArt kRangeArt = {
    "................................", "................................",
    "......r..................b......", "......r..................b......",
    "......r..................b......", "......r..................b......",
    "......r..................b......", "......r..................b......",
    "......r..................b......", "......r..................b......",
    "....kkrkkkkkk.......kkkkkbkkk...", "....k.r.....k.......k....b..k...",
    "....k.r.....k.......k....b..k...", "....k.r.....k.......k....b..k...",
    "....k.r.....k.......k....b..k...", "....k.r.....k.......k....b..k...",
    "....k.r.....k.......k....b..k...", "....k.r.....k.......k....b..k...",
    "....k.r.....k.......k....b..k...", "....k.r.....k.......k....b..k...",
    "kkkkk.r.....kkkkkkkkk....b..kkkk", "......r..................b......",
    "......r..................b......", "......r..................b......",
    "......r...k..........k...b......", "......r..k............k..b......",
    "......r.kkkkkkkkkkkkkkkk.b......", "......r..k............k..b......",
    "......r...k..........k...b......", "......r..................b......",
    "................................", "................................",
};

constexpr std::array<const IconArt*, kSectionIconCount> kIcons = {&kParametersArt, &kColourArt, &kRangeArt};

constexpr bool ArtIsSquare() {
    for (const IconArt* art : kIcons)
        for (std::string_view row : *art)
            if (row.size() != kSectionIconSize) return false;
    return true;
}
static_assert(ArtIsSquare(), "every icon row is 32 pixels");

constexpr int kWidth = kSectionIconSize * kSectionIconCount;
constexpr int kHeight = kSectionIconSize * 2;

// Image pixels are black where transparent, so that the exclusive-or steps of the masked blit
// cancel out there; mask pixels are black where the icon is opaque and white elsewhere.
constexpr std::array<ColorRef, kWidth * kHeight> BuildBitmap() {
    std::array<ColorRef, kWidth * kHeight> pixels{};
    for (int icon = 0; icon < kSectionIconCount; ++icon) {
        for (int y = 0; y < kSectionIconSize; ++y) {
            for (int x = 0; x < kSectionIconSize; ++x) {
                const char c = (*kIcons[icon])[y][x];
                const bool opaque = c != '.';
                const int column = icon * kSectionIconSize + x;
                pixels[y * kWidth + column] = opaque ? PaletteColor(c) : Rgb(0, 0, 0);
                pixels[(y + kSectionIconSize) * kWidth + column] = opaque ? Rgb(0, 0, 0) : Rgb(255, 255, 255);
            }
        }
    }
    return pixels;
}

constexpr std::array<ColorRef, kWidth* kHeight> kBitmapPixels = BuildBitmap();

}  // namespace

platform::BitmapView SectionIconsBitmap() {
    return {kWidth, kHeight, kBitmapPixels.data()};
}

}  // namespace hdmi::ui
