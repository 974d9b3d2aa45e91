#include "PlistWriter.h"

namespace {

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string pair(int a, int b) {
    return "{" + std::to_string(a) + "," + std::to_string(b) + "}";
}

}  // namespace

std::string PlistWriter::write(const std::vector<Frame>& frames, const std::string& textureFileName,
                               int sheetWidth, int sheetHeight) {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out +=
        "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";
    out += "<plist version=\"1.0\">\n<dict>\n";
    out += "    <key>frames</key>\n    <dict>\n";
    for (const auto& frame : frames) {
        const std::string size = pair(frame.width, frame.height);
        out += "        <key>" + escape(frame.name) + "</key>\n        <dict>\n";
        out += "            <key>frame</key>\n            <string>{" + pair(frame.x, frame.y) + "," + size +
               "}</string>\n";
        out += "            <key>offset</key>\n            <string>{0,0}</string>\n";
        out += "            <key>rotated</key>\n            <false/>\n";
        out += "            <key>sourceColorRect</key>\n            <string>{{0,0}," + size + "}</string>\n";
        out += "            <key>sourceSize</key>\n            <string>" + size + "</string>\n";
        out += "        </dict>\n";
    }
    out += "    </dict>\n";
    out += "    <key>metadata</key>\n    <dict>\n";
    out += "        <key>format</key>\n        <integer>2</integer>\n";
    out +=
        "        <key>realTextureFileName</key>\n        <string>" + escape(textureFileName) + "</string>\n";
    out += "        <key>size</key>\n        <string>" + pair(sheetWidth, sheetHeight) + "</string>\n";
    out += "        <key>textureFileName</key>\n        <string>" + escape(textureFileName) + "</string>\n";
    out += "    </dict>\n</dict>\n</plist>\n";
    return out;
}
