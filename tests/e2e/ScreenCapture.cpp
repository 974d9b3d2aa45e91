#include "ScreenCapture.h"

#include <SDL.h>
#include <SDL_image.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

bool captureScreen(const std::string& display, const std::string& path) {
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return false;
    Window root = DefaultRootWindow(x);
    XWindowAttributes attributes = {};
    XGetWindowAttributes(x, root, &attributes);
    XImage* image = XGetImage(x, root, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    bool saved = false;
    if (image) {
        SDL_Surface* surface =
            SDL_CreateRGBSurfaceWithFormat(0, image->width, image->height, 24, SDL_PIXELFORMAT_RGB24);
        if (surface) {
            for (int y = 0; y < image->height; ++y) {
                auto* row = static_cast<uint8_t*>(surface->pixels) + y * surface->pitch;
                for (int px = 0; px < image->width; ++px) {
                    unsigned long pixel = XGetPixel(image, px, y);
                    row[3 * px] = static_cast<uint8_t>((pixel & image->red_mask) >> 16);
                    row[3 * px + 1] = static_cast<uint8_t>((pixel & image->green_mask) >> 8);
                    row[3 * px + 2] = static_cast<uint8_t>(pixel & image->blue_mask);
                }
            }
            saved = IMG_SavePNG(surface, path.c_str()) == 0;
            SDL_FreeSurface(surface);
        }
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return saved;
}
