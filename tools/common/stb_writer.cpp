// stb's picture writer, compiled here once for the PNG and JPEG encoders,
// without its file functions: the encoded bytes are collected in memory.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
