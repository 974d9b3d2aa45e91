#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One network adapter as the system lists it: hardware type (ARPHRD_*) and address.
struct NetworkAdapter {
    std::string name;
    int hardwareType = 0;
    std::vector<unsigned char> address;
    bool loopback = false;
};

// One display device: its PCI ids, and its name when the id database has one (else empty).
struct DisplayDevice {
    unsigned vendor = 0;
    unsigned device = 0;
    std::string name;
};

// Where the system information comes from. system() reads the real machine; tests make up their own.
// Each source may block (name lookups), so the collection runs off the main thread.
struct SysInfoSources {
    std::function<std::string()> cpuBrand;                       // empty when unknown
    std::function<std::optional<std::string>()> osName;          // PRETTY_NAME of os-release
    std::function<std::optional<std::string>()> kernelRelease;   // uname -r
    std::function<std::optional<uint64_t>()> physicalMemory;     // bytes
    std::function<std::optional<uint64_t>()> addressSpaceLimit;  // RLIMIT_AS; none when unlimited
    std::function<std::string()> hostAddress;                    // first IPv4 of the host name
    std::function<std::vector<NetworkAdapter>()> adapters;
    std::function<std::vector<DisplayDevice>()> displayDevices;
    std::string glRenderer;  // read on the main thread beforehand: the fallback display card

    // The real machine; glRenderer as given.
    static SysInfoSources system(std::string glRenderer);
};

// What the installation report says about the machine. Every field is filled by the constructor;
// a source that fails leaves its field empty (sysVer: "unknown OperatingSystem."). Any thread.
class GetSysInfo {
public:
    static constexpr size_t MAX_DISPLAY_CARDS = 20;
    static constexpr const char* UNKNOWN_OS = "unknown OperatingSystem.";

    explicit GetSysInfo(const SysInfoSources& sources);
    virtual ~GetSysInfo() = default;

    std::string mac;
    std::string ip;
    std::string phymem;
    std::string virmem;
    std::string cpu;
    std::string sysVer;
    std::vector<std::string> displayCards;

    // "%ldMB" of bytes in units of 10^6, truncated.
    static std::string megabytes(uint64_t bytes);
    // First Ethernet adapter with a 6-byte address, else the first other one that is not loopback;
    // bytes as upper-case hex pairs joined by ":". Empty when there is none.
    static std::string pickMac(const std::vector<NetworkAdapter>& adapters);
};
