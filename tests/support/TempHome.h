#pragma once

#include <optional>
#include <string>

// A fresh folder under the system's temporary folder for one test (or one suite), removed with
// everything in it when the object goes unless kept. As a home, ZENTO_HOME points at it and the
// engine's file utilities and settings store are purged so they pick it up; the old value of
// ZENTO_HOME comes back at the end.
class TempHome {
public:
    enum class Use { HOME, FOLDER };

    explicit TempHome(const std::string& prefix = "zento-test", Use use = Use::HOME);
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    // Without a trailing "/".
    const std::string& path() const { return path_; }
    // With a trailing "/", as the engine gives its writable folder.
    std::string folder() const { return path_ + "/"; }
    std::string file(const std::string& name) const { return folder() + name; }
    // Keeps the folder for a look after the test (screenshots, logs).
    void keep() { keep_ = true; }

private:
    std::string path_;
    bool isHome_ = false;
    bool keep_ = false;
    std::optional<std::string> previousHome_;
};
