// The whole-number zoom of the picture and where it sits in the window.
// Platform-free.
#ifndef PUKAVRO_KAVROVIEW_ZOOM_H
#define PUKAVRO_KAVROVIEW_ZOOM_H

enum { ZOOM_MIN = 1, ZOOM_MAX = 8, ZOOM_DEFAULT = 4 };

// zoom kept within ZOOM_MIN..ZOOM_MAX.
int ClampZoom(int zoom);

// The largest zoom whose picture fits in width x height pixels; ZOOM_MIN
// when none does.
int FitZoom(int width, int height);

struct PicturePlace {
    int x, y, width, height;
};

// The picture at zoom, centred in an area of width x height (its corner may
// be negative when it does not fit).
PicturePlace PlacePicture(int width, int height, int zoom);

#endif
