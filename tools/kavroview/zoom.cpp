#include "zoom.h"

#include "frame.h"

int ClampZoom(int zoom)
{
    if (zoom < ZOOM_MIN)
        return ZOOM_MIN;
    if (zoom > ZOOM_MAX)
        return ZOOM_MAX;
    return zoom;
}

int FitZoom(int width, int height)
{
    int zoom = ZOOM_MAX;
    while (zoom > ZOOM_MIN && (FRAME_WIDTH * zoom > width || FRAME_HEIGHT * zoom > height))
        --zoom;
    return zoom;
}

PicturePlace PlacePicture(int width, int height, int zoom)
{
    PicturePlace place;
    place.width = FRAME_WIDTH * zoom;
    place.height = FRAME_HEIGHT * zoom;
    place.x = (width - place.width) / 2;
    place.y = (height - place.height) / 2;
    return place;
}
