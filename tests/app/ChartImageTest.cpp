#include "ChartImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempHome.h"

namespace {
namespace fs = std::filesystem;

void writeDirs(const std::string& configHome, const std::string& line) {
    fs::create_directories(configHome);
    std::ofstream(configHome + "/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                  << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                  << line << "\n";
}
}  // namespace

TEST(ChartImage, PicturesGoToTheXdgPicturesFolderWhenItExistsElseHome) {
    TempHome temp("zento-pictures", TempHome::Use::FOLDER);
    const std::string home = temp.path();
    const std::string config = home + "/.config";
    // No user-dirs.dirs at all.
    EXPECT_EQ(chart_image::picturesFolder(home, ""), home);

    writeDirs(config, "XDG_PICTURES_DIR=\"$HOME/Bilder\"");
    EXPECT_EQ(chart_image::picturesFolder(home, ""), home) << "a folder that does not exist";
    fs::create_directories(home + "/Bilder");
    EXPECT_EQ(chart_image::picturesFolder(home, ""), home + "/Bilder");

    // An absolute entry, and XDG_CONFIG_HOME taking precedence.
    const std::string other = home + "/elsewhere";
    fs::create_directories(other + "/shots");
    writeDirs(other, "XDG_PICTURES_DIR=\"" + other + "/shots\"");
    EXPECT_EQ(chart_image::picturesFolder(home, other), other + "/shots");

    // Unquoted or relative entries are not trusted.
    for (const char* line :
         {"XDG_PICTURES_DIR=$HOME/Bilder", "XDG_PICTURES_DIR=\"Bilder\"", "XDG_PICTURES_DIR=\""}) {
        SCOPED_TRACE(line);
        writeDirs(config, line);
        EXPECT_EQ(chart_image::picturesFolder(home, ""), home);
    }
}

TEST(ChartImage, NamesCarrySymbolTimeTypeAndLocalTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "America/New_York", 1);
    tzset();
    const time_t at = 1741503599;  // 2025-03-09 06:59:59 UTC
    EXPECT_EQ(chart_image::fileName("EURUSD", 15, at), "Zento-EURUSD-15-20250309-015959.png");
    EXPECT_EQ(chart_image::fileName("../a b/c", 1440, at), "Zento-.._a_b_c-1440-20250309-015959.png");
    EXPECT_EQ(chart_image::fileName("", 1, at), "Zento-chart-1-20250309-015959.png");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
