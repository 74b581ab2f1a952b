// The time stamp's own 5 x 7 font, built in: every printable ASCII
// character (space to '~'), drawn white with a dark outline one pixel wide
// around each lit pixel, so that it reads on any picture. Nothing to load,
// nothing that can fail. Platform-free.
#ifndef PUKAVRO_STAMP_FONT_H
#define PUKAVRO_STAMP_FONT_H

#include <stdint.h>

#include <string>

enum {
    GLYPH_WIDTH = 5,
    GLYPH_HEIGHT = 7,
    GLYPH_ADVANCE = 6,  // one blank column between characters
    // From the picture's edges to the nearest lit pixel; the outline lies
    // inside it.
    STAMP_MARGIN = 2,
};

enum StampCorner { STAMP_TOP_LEFT, STAMP_TOP_RIGHT, STAMP_BOTTOM_LEFT, STAMP_BOTTOM_RIGHT };

// Whether the font draws c.
bool HasGlyph(char c);

// The lit pixels' width of a text of that many characters: 47 for "12:34:56".
int StampWidth(int characters);

// Whether a text of that many characters fits a picture width pixels wide,
// margins kept on both sides.
bool StampFits(int characters, int width);

// Draws text into bottom-up BGR bits (width x height, rows of width x 3
// bytes) at corner, STAMP_MARGIN from its edges; characters without a
// glyph are left blank, and what would fall outside the picture is not
// drawn.
void DrawStamp(uint8_t *bits, int width, int height, const std::string &text, StampCorner corner);

#endif
