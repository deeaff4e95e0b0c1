// SPDX-License-Identifier: MIT
#include "icon_data.h"

#include <cstring>

bool iconDecode(const IconArt& art, std::vector<uint8_t>& rgba)
{
    rgba.clear();
    if (art.width <= 0 || art.height <= 0 || !art.palette || !art.rows)
        return false;

    // Direct lookup by key byte; a key not in the palette stays unset.
    const IconPaletteEntry* lookup[256] = {};
    for (int i = 0; i < art.paletteCount; i++)
        lookup[static_cast<unsigned char>(art.palette[i].key)] = &art.palette[i];

    std::vector<uint8_t> out(static_cast<size_t>(art.width) * art.height * 4);
    size_t pos = 0;
    for (int y = 0; y < art.height; y++) {
        const char* row = art.rows[y];
        if (!row || std::strlen(row) != static_cast<size_t>(art.width))
            return false;
        for (int x = 0; x < art.width; x++) {
            const IconPaletteEntry* entry = lookup[static_cast<unsigned char>(row[x])];
            if (!entry)
                return false;
            out[pos++] = entry->r;
            out[pos++] = entry->g;
            out[pos++] = entry->b;
            out[pos++] = entry->a;
        }
    }
    rgba.swap(out);
    return true;
}

// Every palette has '.' fully transparent. A soft edge key (alpha below 255)
// only sits next to transparent pixels, so the tab background shows through
// it; soft pixels inside an opaque area use an opaque mixed colour instead.

// Modules: three stacked module blocks, each with a status light and a slot.
static const IconPaletteEntry MODULES_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x1c, 0x2b, 0x40, 0xff}, // outline
    {',', 0x1c, 0x2b, 0x40, 0x6e}, // rounded corner
    {'h', 0x9c, 0xc3, 0xed, 0xff}, // top highlight
    {'b', 0x5a, 0x8f, 0xd0, 0xff}, // face
    {'s', 0x34, 0x65, 0xa4, 0xff}, // bottom shade
    {'k', 0x20, 0x4a, 0x87, 0xff}, // slot
    {'l', 0x8a, 0xe2, 0x34, 0xff}, // status light
};

static const char* const MODULES_ROWS[] = {
    "........................",
    "........................",
    "..,##################,..",
    "..#hhhhhhhhhhhhhhhhhh#..",
    "..#bllbbkkkkkkkkkkbbb#..",
    "..#bllbbbbbbbbbbbbbbb#..",
    "..#ssssssssssssssssss#..",
    "..,##################,..",
    "........................",
    "..,##################,..",
    "..#hhhhhhhhhhhhhhhhhh#..",
    "..#bllbbkkkkkkkkkkbbb#..",
    "..#bllbbbbbbbbbbbbbbb#..",
    "..#ssssssssssssssssss#..",
    "..,##################,..",
    "........................",
    "..,##################,..",
    "..#hhhhhhhhhhhhhhhhhh#..",
    "..#bllbbkkkkkkkkkkbbb#..",
    "..#bllbbbbbbbbbbbbbbb#..",
    "..#ssssssssssssssssss#..",
    "..,##################,..",
    "........................",
    "........................",
};

// Images: framed landscape with sky, sun and two hills.
static const IconPaletteEntry IMAGES_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x2e, 0x34, 0x36, 0xff}, // frame outline
    {',', 0x2e, 0x34, 0x36, 0x6e}, // frame corner
    {'f', 0xff, 0xff, 0xff, 0xff}, // mat
    {'S', 0x72, 0xb4, 0xea, 0xff}, // sky, top
    {'m', 0x8c, 0xc6, 0xf2, 0xff}, // sky, middle
    {'s', 0xa8, 0xd8, 0xf8, 0xff}, // sky, horizon
    {'y', 0xfc, 0xd9, 0x2f, 0xff}, // sun
    {'g', 0x73, 0xd2, 0x16, 0xff}, // near hill
    {'G', 0x3f, 0x84, 0x06, 0xff}, // far hill
};

static const char* const IMAGES_ROWS[] = {
    "........................",
    "........................",
    "........................",
    ".,####################,.",
    ".#ffffffffffffffffffff#.",
    ".#fSSSSSSSSSSSSSSSSSSf#.",
    ".#fSSSSSSSSSSSyyySSSSf#.",
    ".#fmmmmmmmmmmyyyyymmmf#.",
    ".#fmmmmmmmmmmyyyyymmmf#.",
    ".#fssssssssssyyyyysssf#.",
    ".#fsssssssssssyyyssssf#.",
    ".#fssssssssssssssssssf#.",
    ".#fsssssssssssssGGGssf#.",
    ".#fssssgggsssGGGGGGGsf#.",
    ".#fsggggggggsGGGGGGGGf#.",
    ".#fggggggggggGGGGGGGGf#.",
    ".#fgggggggggggGGGGGGGf#.",
    ".#fggggggggggggGGGGGGf#.",
    ".#fggggggggggggggGGGGf#.",
    ".#ffffffffffffffffffff#.",
    ".,####################,.",
    "........................",
    "........................",
    "........................",
};

// Colors: painter's palette with a thumb hole and red, green, blue and
// yellow paint.
static const IconPaletteEntry COLORS_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x3b, 0x2a, 0x1a, 0xff}, // wood outline
    {',', 0x3b, 0x2a, 0x1a, 0x6e}, // soft outline
    {'w', 0xe9, 0xc8, 0x8e, 0xff}, // wood
    {'r', 0xef, 0x29, 0x29, 0xff},
    {'R', 0xa4, 0x00, 0x00, 0xff},
    {'g', 0x73, 0xd2, 0x16, 0xff},
    {'G', 0x4e, 0x9a, 0x06, 0xff},
    {'b', 0x34, 0x65, 0xa4, 0xff},
    {'B', 0x20, 0x4a, 0x87, 0xff},
    {'y', 0xfc, 0xe9, 0x4f, 0xff},
    {'Y', 0xc4, 0xa0, 0x00, 0xff},
};

static const char* const COLORS_ROWS[] = {
    "........................",
    "........................",
    "........................",
    "........,,####,,........",
    "......####wwww####......",
    "....,##wwwgggwwww##,....",
    "...##wwwwgggggwwwww##...",
    "..##wwwwwggggGwwbbbw##..",
    ".,#wrrrwwgggGGwbbbbbww#,",
    ".#wrrrrrwwGGGwwbbbbBww#.",
    ".#wrrrrRwwwwwwwbbbBBww#.",
    ",#wrrrRRwwwwwwwwBBBwww#,",
    ",#wwRRRwwwwwwwwwwwwwww#,",
    ",#wwwwwwwwwwwwwwwwwww##.",
    ".#wwwwyyywww,##,www##,..",
    ".#wwwyyyyyww#..#www#....",
    ".,#wwyyyyYww#..#www#....",
    "..##wyyyYYww,##,wwww#...",
    "...##wYYYwwwwwwwwww##...",
    "....,##wwwwwwwwww##,....",
    "......####wwww####......",
    "........,,####,,........",
    "........................",
    "........................",
};

// Strings: speech bubble saying "Ab".
static const IconPaletteEntry STRINGS_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x2e, 0x34, 0x36, 0xff}, // bubble outline
    {',', 0x2e, 0x34, 0x36, 0x6e}, // rounded corner
    {'w', 0xff, 0xff, 0xff, 0xff}, // bubble
    {'t', 0x20, 0x4a, 0x87, 0xff}, // text
    {'u', 0x9a, 0xae, 0xcb, 0xff}, // text edge blended onto the bubble
};

static const char* const STRINGS_ROWS[] = {
    "........................",
    "........................",
    "..,##################,..",
    ".,#wwwwwwwwwwwwwwwwww#,.",
    ".#wwwwwwwwwwwwwwwwwwww#.",
    ".#wwwutttuwwwttwwwwwww#.",
    ".#wwuttwttuwwttwwwwwww#.",
    ".#wwttwwwttwwttwwwwwww#.",
    ".#wwttwwwttwwttttuwwww#.",
    ".#wwttwwwttwwttwuttwww#.",
    ".#wwtttttttwwttwwttwww#.",
    ".#wwttwwwttwwttwwttwww#.",
    ".#wwttwwwttwwttwuttwww#.",
    ".#wwttwwwttwwttttuwwww#.",
    ".#wwwwwwwwwwwwwwwwwwww#.",
    ".,#wwwwwwwwwwwwwwwwww#,.",
    "..,##wwwww###########,..",
    "....#wwww#..............",
    "....#www#...............",
    "....#ww#................",
    "....#w#.................",
    "....##..................",
    "........................",
    "........................",
};

// Fonts: serif capital A, anti-aliased, with a small red a beside it.
static const IconPaletteEntry FONTS_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x2e, 0x34, 0x36, 0xff}, // glyph
    {'*', 0x2e, 0x34, 0x36, 0xaa}, // glyph edge, mostly covered
    {'+', 0x2e, 0x34, 0x36, 0x55}, // glyph edge, lightly covered
    {'t', 0xcc, 0x00, 0x00, 0xff}, // small a
};

static const char* const FONTS_ROWS[] = {
    "........................",
    "........................",
    "........................",
    ".......*##*.............",
    ".......####.............",
    ".......####.............",
    "......+#*##+............",
    "......*#+###............",
    "......#*.###............",
    ".....+#+.*##+...........",
    ".....*#..+##*...........",
    ".....##...###...........",
    "....+#*...###+..........",
    "....*#+...*##*..........",
    "....##########..........",
    "....##########+.........",
    "...+#+.....*##*....tttt.",
    "...*#......*###.......tt",
    "...##......+###+...ttttt",
    "..+#*.......###*..tt..tt",
    "..*#+.......*###..tt..tt",
    ".#####.....######+.ttttt",
    "........................",
    "........................",
};

// Replace: two arrows chasing each other round a circle.
static const IconPaletteEntry REPLACE_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'x', 0x3c, 0x7a, 0x0a, 0xff}, // arrow
    {'+', 0x3c, 0x7a, 0x0a, 0x64}, // arrow edge
};

static const char* const REPLACE_ROWS[] = {
    "................",
    ".....+xxxx+.....",
    "...+xxxxxxxx+...",
    "..+xxx+..+xxx+..",
    "..xx+......+xx..",
    "..xx......xxxxxx",
    "..xx......+xxxx+",
    "...........+xx+.",
    ".+xx+...........",
    "+xxxx+......xx..",
    "xxxxxx......xx..",
    "..xx+......+xx..",
    "..+xxx+..+xxx+..",
    "...+xxxxxxxx+...",
    ".....+xxxx+.....",
    "................",
};

// The program: a chip whose face is a navigation screen, a route leading up
// to the heading arrow. Both sizes share one palette; the small one is drawn
// by hand, since a filtered copy of the large one blurs the arrow.
static const IconPaletteEntry PROGRAM_PALETTE[] = {
    {'.', 0x00, 0x00, 0x00, 0x00},
    {'#', 0x1f, 0x23, 0x26, 0xff}, // chip outline
    {'g', 0x3d, 0x47, 0x50, 0xff}, // chip body
    {'p', 0xba, 0xbd, 0xb6, 0xff}, // pin
    {'q', 0x55, 0x57, 0x53, 0xff}, // pin edge
    {'o', 0xee, 0xf2, 0xe4, 0xff}, // map land
    {'w', 0xff, 0xff, 0xff, 0xff}, // road
    {'r', 0x9f, 0xc6, 0xec, 0xff}, // water
    {'v', 0xb5, 0xd9, 0x8a, 0xff}, // park
    {'b', 0x34, 0x65, 0xa4, 0xff}, // route
    {'a', 0xf5, 0x79, 0x00, 0xff}, // arrow, lit half
    {'A', 0xce, 0x5c, 0x00, 0xff}, // arrow, shaded half
    {'e', 0x8f, 0x3a, 0x00, 0xff}, // arrow outline
    {':', 0x1f, 0x23, 0x26, 0xaa}, // rounded corner, outer
    {',', 0x1f, 0x23, 0x26, 0x6e}, // rounded corner
    {'1', 0x2e, 0x35, 0x3b, 0xff}, // rounded corner, inner
    {'2', 0xc6, 0xdc, 0xe8, 0xff}, // shore
    {'3', 0xd2, 0xe6, 0xb7, 0xff}, // park edge
    {'4', 0x91, 0xac, 0xc4, 0xff}, // route edge
    {'5', 0x81, 0x60, 0x52, 0xff}, // route meeting the arrow
    {'6', 0xbe, 0x96, 0x72, 0xff}, // arrow outline on the map
    {'7', 0xc2, 0x5a, 0x00, 0xff}, // arrow outline, lit side
    {'8', 0xae, 0x4b, 0x00, 0xff}, // arrow outline, shaded side
    {'9', 0xe2, 0x6a, 0x00, 0xff}, // arrow ridge
};

static const char* const PROGRAM_ROWS[] = {
    "................................................",
    "................................................",
    "..........qqqq....qqqq....qqqq....qqqq..........",
    "..........qppq....qppq....qppq....qppq..........",
    "..........qppq....qppq....qppq....qppq..........",
    "..........qppq....qppq....qppq....qppq..........",
    ".......:################################:.......",
    "......:1gggggggggggggggggggggggggggggggg1:......",
    "......#gggggggggggggggggggggggggggggggggg#......",
    "......#gg##############################gg#......",
    "..qqqq#gg#rrrrrrrrrrrr2ooooowwoooooooo#gg#qqqq..",
    "..qppp#gg#rrrrrrrrrrroooooooowwoooo6oo#gg#pppq..",
    "..qppp#gg#rrrrrrrrr2ooooooooowwo65ee6o#gg#pppq..",
    "..qqqq#gg#rrrrrrrrooooooooooo66e899eoo#gg#qqqq..",
    "......#gg#rrrrrrooooooooooo688Aaa975oo#gg#......",
    "......#gg#rrrroooooooooo65e79aaa9A86oo#gg#......",
    "......#gg#rr2ooooooooo6e8Aaaaaa9AAeooo#gg#......",
    "......#gg#2oooooooo6887aaaaaaa9AA86ooo#gg#......",
    "..qqqq#gg#oooooo65e89aaaaaaaa9AAAeoooo#gg#qqqq..",
    "..qppp#gg#ooooo88Aaaaaaaaaaa9AAA78wooo#gg#pppq..",
    "..qppp#gg#ooooo6e887A9aaaaa9AAAA86wooo#gg#pppq..",
    "..qqqq#gg#oooooooo6658e88AAAAAAAeowooo#gg#qqqq..",
    "......#gg#wwwwwwwwwww4bb5e8AAAA75wwwww#gg#......",
    "......#gg#wwwwwwwwwobbbbb58AAAA86wwwww#gg#......",
    "......#gg#ooooooooobbbbbbbeAAA7ewooooo#gg#......",
    "......#gg#oooooooobbbbbb4oeAAA86wooooo#gg#......",
    "..qqqq#gg#ooooooo4bbbb4ooo87AAeooooooo#gg#qqqq..",
    "..qppp#gg#ooooooobbbb4oooo57A78woooooo#gg#pppq..",
    "..qppp#gg#oooooo4bbbbooooo68A86ooooooo#gg#pppq..",
    "..qqqq#gg#oooooobbbb4ooooo68Aeooooo33v#gg#qqqq..",
    "......#gg#oooooobbbboooooooe85woo3vvvv#gg#......",
    "......#gg#oooooobbbboooooooeeowoovvvvv#gg#......",
    "......#gg#oooooobbbbooooooo65woo3vvvvv#gg#......",
    "......#gg#oooooobbbboooooooowwoovvvvvv#gg#......",
    "..qqqq#gg#oooooobbbboooooooowwo3vvvvvv#gg#qqqq..",
    "..qppp#gg#oooooobbbboooooooowwo3vvvvvv#gg#pppq..",
    "..qppp#gg#oooooobbbbooooooowwwo3vvvvvv#gg#pppq..",
    "..qqqq#gg#oooooobbbbooooooowwoovvvvvvv#gg#qqqq..",
    "......#gg##############################gg#......",
    "......#gggggggggggggggggggggggggggggggggg#......",
    "......:1gggggggggggggggggggggggggggggggg1:......",
    ".......:################################:.......",
    "..........qppq....qppq....qppq....qppq..........",
    "..........qppq....qppq....qppq....qppq..........",
    "..........qppq....qppq....qppq....qppq..........",
    "..........qqqq....qqqq....qqqq....qqqq..........",
    "................................................",
    "................................................",
};

static const char* const PROGRAM_SMALL_ROWS[] = {
    "........................",
    ".....pq..pq..pq..pq.....",
    ".....pq..pq..pq..pq.....",
    "...,################,...",
    "...#gggggggggggggggg#...",
    ".pp#grrrrrrooowoooog#pp.",
    ".qq#grrrrrooooowaaog#qq.",
    "...#grrrooooooaaaAog#...",
    "...#grooooooaaaaAwog#...",
    ".pp#goooooaaaaaAAwog#pp.",
    ".qq#goooaaaaaaAAowog#qq.",
    "...#gwwwaaaaaAAAwwwg#...",
    "...#gooooobbAAAowoog#...",
    ".pp#goooobboAAAowoog#pp.",
    ".qq#gooobbooAAowooog#qq.",
    "...#gooobbooAAowovvg#...",
    "...#gooobbooooowvvvg#...",
    ".pp#gooobboooowovvvg#pp.",
    ".qq#gooobboooowovvvg#qq.",
    "...#gggggggggggggggg#...",
    "...,################,...",
    ".....pq..pq..pq..pq.....",
    ".....pq..pq..pq..pq.....",
    "........................",
};

// Transparent palette entry marker, 32 x 32, opaque: white with a black T
// (bar in rows 10 and 11, columns 10 to 21; stem in rows 12 to 21, columns
// 14 to 17).
static const IconPaletteEntry TRANSPARENT_PALETTE[] = {
    {'w', 255, 255, 255, 255},
    {'#', 0, 0, 0, 255},
};
static const char* const TRANSPARENT_ROWS[] = {
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwww############wwwwwwwwww",
    "wwwwwwwwww############wwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwww####wwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
    "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
};

#define ICON_COUNT(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

// iconDecode trusts the row count, so catch a missing or extra row here.
static_assert(ICON_COUNT(MODULES_ROWS) == 24);
static_assert(ICON_COUNT(IMAGES_ROWS) == 24);
static_assert(ICON_COUNT(COLORS_ROWS) == 24);
static_assert(ICON_COUNT(STRINGS_ROWS) == 24);
static_assert(ICON_COUNT(FONTS_ROWS) == 24);
static_assert(ICON_COUNT(REPLACE_ROWS) == 16);
static_assert(ICON_COUNT(PROGRAM_ROWS) == 48);
static_assert(ICON_COUNT(PROGRAM_SMALL_ROWS) == 24);
static_assert(ICON_COUNT(TRANSPARENT_ROWS) == 32);

const IconArt ICON_MODULES = {24, 24, MODULES_PALETTE, ICON_COUNT(MODULES_PALETTE), MODULES_ROWS};
const IconArt ICON_IMAGES = {24, 24, IMAGES_PALETTE, ICON_COUNT(IMAGES_PALETTE), IMAGES_ROWS};
const IconArt ICON_COLORS = {24, 24, COLORS_PALETTE, ICON_COUNT(COLORS_PALETTE), COLORS_ROWS};
const IconArt ICON_STRINGS = {24, 24, STRINGS_PALETTE, ICON_COUNT(STRINGS_PALETTE), STRINGS_ROWS};
const IconArt ICON_FONTS = {24, 24, FONTS_PALETTE, ICON_COUNT(FONTS_PALETTE), FONTS_ROWS};
const IconArt ICON_REPLACE = {16, 16, REPLACE_PALETTE, ICON_COUNT(REPLACE_PALETTE), REPLACE_ROWS};
const IconArt ICON_PROGRAM = {48, 48, PROGRAM_PALETTE, ICON_COUNT(PROGRAM_PALETTE), PROGRAM_ROWS};
const IconArt ICON_PROGRAM_SMALL = {24, 24, PROGRAM_PALETTE, ICON_COUNT(PROGRAM_PALETTE),
                                    PROGRAM_SMALL_ROWS};
const IconArt ICON_TRANSPARENT = {32, 32, TRANSPARENT_PALETTE, ICON_COUNT(TRANSPARENT_PALETTE),
                                  TRANSPARENT_ROWS};
