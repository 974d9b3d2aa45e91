#pragma once

#include <string>
#include <vector>

// Mouse and keyboard input for the terminal on one X display, through xdotool. Coordinates are pixels
// of the terminal's window, from its top-left corner (where the window sits on the screen does not
// matter). Every action is one xdotool call that has ended when the call returns; false with error()
// when it failed.
class PointerInput {
public:
    struct Pixel {
        int x, y;
    };

    // The xdotool program on PATH, or an empty text when there is none.
    static std::string findTool();

    // Output of the tool goes to files in folder.
    PointerInput(std::string tool, std::string display, std::string folder);

    // Waits until the display has a window named windowName and takes the first.
    bool findWindow(const std::string& windowName, double timeoutSeconds);
    bool click(Pixel at);
    // Press, move in steps (a drag starts on the first move after the press), release.
    bool drag(Pixel from, Pixel to);
    bool moveTo(Pixel at);
    // The program reads key states once a frame: the key is held down for several frames.
    bool pressKey(const std::string& key);
    // Types text as the keyboard would, one key after another.
    bool typeText(const std::string& text);
    // Where the found window sits on the screen (top left) and its size, as the X server has them.
    struct Geometry {
        int x, y, width, height;
    };
    bool geometry(Geometry& result);
    // Resizes the found window as a window manager would.
    bool resize(int width, int height);

    const std::string& error() const { return error_; }

private:
    std::vector<std::string> moveArguments(Pixel at) const;
    bool run(const std::vector<std::string>& arguments, std::string* output = nullptr);

    std::string tool_;
    std::string display_;
    std::string folder_;
    std::string window_;
    std::string error_;
};
