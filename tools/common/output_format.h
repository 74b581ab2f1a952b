// The kinds of file our tools write, and the words and extensions that name
// them, the same in every tool.
#ifndef PUKAVRO_OUTPUT_FORMAT_H
#define PUKAVRO_OUTPUT_FORMAT_H

// A movie of many frames joins these when a tool writes one.
enum OutputFormat {
    FORMAT_RAW,  // the frame's bytes as the camera sent them
    FORMAT_BMP,  // 24-bit bitmap of the painted picture
    FORMAT_PNG,  // RGB PNG of the painted picture
};

// "raw", "bmp", "png": what --format takes; for a picture, its extension.
const char *FormatWord(OutputFormat format);

// The format a --format word names, in any letter case. false for none.
bool FormatFromWord(const char *word, OutputFormat *format);

// The format a file name's extension says: .bmp or .png in any letter case
// (pictures come back from other tools as FRAME.BMP). Raw frames have no
// extension of their own, so any other name is false.
bool FormatFromExtension(const char *name, OutputFormat *format);

#endif
