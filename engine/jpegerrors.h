#pragma once

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back into the one small function that made the call. Those functions
// hold no C++ objects, so nothing is skipped that needed destroying.
struct JpegErrors : jpeg_error_mgr
{
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool cutShort = false;
};

// Errors jump back as above; warnings are ignored as Qt ignores them, but
// for data that ends before the rows do, at the end of the file or at a
// marker, which sets `cutShort`: libjpeg would make up the missing rows.
void initJpegErrors(JpegErrors &errors);

// The pixels' bytes in Format_ARGB32 on little-endian machines, the bands'
// format.
constexpr J_COLOR_SPACE BandColourSpace = JCS_EXT_BGRA;

// Creates `info` reading `file` and reads its header, with the settings of
// Qt's reader at its default quality (libjpeg's exact defaults) and pixels
// in the bands' format.
bool readJpegHeader(jpeg_decompress_struct *info, JpegErrors *errors, FILE *file);
