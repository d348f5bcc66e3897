#pragma once

// The one entry point of the picture reader library, which holds Qt Gui's
// image readers, so that a program loads them only for a picture. Plain C
// types: the library and the program need agree on nothing else.
extern "C" {

// Called once with the size the header claims (-1 x -1 where it says none)
// and the number of frames (0 where it says none), then once a frame with
// its width x height pixels as 0xAARRGGBB, row by row, and its delay in
// milliseconds (0 for none). A callback returns 0 to go on; anything else
// ends the reading, which then returns non-zero with error left as it was.
struct VexelPictureCallbacks
{
    void *context;
    int (*header)(void *context, int width, int height, int frames);
    int (*frame)(void *context, const unsigned int *argb, int width, int height, int delayMs);
};

// Reads the picture held in bytes with the reader of format (Qt's name of
// it). 0 when every frame was read; else non-zero, with the reason written
// to error (UTF-8, at most errorSize bytes with the ending 0) unless a
// callback ended the reading.
typedef int (*VexelReadPicture)(const char *bytes, long long size, const char *format,
                                const VexelPictureCallbacks *callbacks, char *error, int errorSize);

#define VEXEL_READ_PICTURE_SYMBOL "vexel_read_picture"
}
