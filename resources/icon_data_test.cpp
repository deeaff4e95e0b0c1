#include "icon_data.h"

#include <gtest/gtest.h>

namespace {

struct NamedIcon {
    const char* name;
    const IconArt* art;
    int size;
};

const NamedIcon ALL_ICONS[] = {
    {"modules", &ICON_MODULES, 24}, {"images", &ICON_IMAGES, 24}, {"colors", &ICON_COLORS, 24},
    {"strings", &ICON_STRINGS, 24}, {"fonts", &ICON_FONTS, 24},   {"replace", &ICON_REPLACE, 16},
};

uint8_t alphaAt(const std::vector<uint8_t>& rgba, int width, int x, int y)
{
    return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3];
}

} // namespace

TEST(IconData, EveryIconDecodesAtItsSize)
{
    for (const NamedIcon& icon : ALL_ICONS) {
        SCOPED_TRACE(icon.name);
        const IconArt& art = *icon.art;
        EXPECT_EQ(art.width, icon.size);
        EXPECT_EQ(art.height, icon.size);

        std::vector<uint8_t> rgba;
        ASSERT_TRUE(iconDecode(art, rgba));
        ASSERT_EQ(rgba.size(), static_cast<size_t>(art.width) * art.height * 4);

        // Corners show the tab background; the picture itself is solid.
        const int last = icon.size - 1;
        EXPECT_EQ(alphaAt(rgba, art.width, 0, 0), 0);
        EXPECT_EQ(alphaAt(rgba, art.width, last, 0), 0);
        EXPECT_EQ(alphaAt(rgba, art.width, 0, last), 0);
        EXPECT_EQ(alphaAt(rgba, art.width, last, last), 0);
        int opaque = 0;
        for (size_t i = 3; i < rgba.size(); i += 4)
            opaque += rgba[i] == 255;
        EXPECT_GT(opaque, icon.size * icon.size / 8);
    }
}

TEST(IconData, MalformedArtFails)
{
    const IconPaletteEntry palette[] = {{'.', 0, 0, 0, 0}, {'#', 0, 0, 0, 255}};
    const char* const good[] = {"#.", ".#"};
    const char* const unknownKey[] = {"#.", ".x"};
    const char* const shortRow[] = {"#.", "#"};

    std::vector<uint8_t> rgba;
    ASSERT_TRUE(iconDecode({2, 2, palette, 2, good}, rgba));
    EXPECT_EQ(rgba.size(), 16u);
    EXPECT_EQ(rgba[3], 255);
    EXPECT_EQ(rgba[7], 0);

    EXPECT_FALSE(iconDecode({2, 2, palette, 2, unknownKey}, rgba));
    EXPECT_TRUE(rgba.empty());
    EXPECT_FALSE(iconDecode({2, 2, palette, 2, shortRow}, rgba));
    EXPECT_TRUE(rgba.empty());
}
