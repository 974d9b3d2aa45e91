#include "GetSysInfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netpacket/packet.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {
// The user address space when RLIMIT_AS sets no limit.
#if defined(__aarch64__)
constexpr uint64_t ADDRESS_SPACE = 1ULL << 48;
#else
constexpr uint64_t ADDRESS_SPACE = 1ULL << 47;
#endif
constexpr const char* PCI_ID_FILES[] = {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids"};

std::string readCpuBrand() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned top = __get_cpuid_max(0x80000000, nullptr);
    if (top >= 0x80000004) {
        char brand[49] = {};
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            unsigned regs[4] = {};
            __get_cpuid(0x80000002 + leaf, &regs[0], &regs[1], &regs[2], &regs[3]);
            std::memcpy(brand + 16 * leaf, regs, sizeof regs);
        }
        return brand;
    }
#endif
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) != 0 && line.rfind("Model", 0) != 0) continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        size_t start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? "" : line.substr(start);
    }
    return {};
}

std::optional<std::string> readOsName() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            if (!value.empty()) return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> readKernelRelease() {
    utsname names = {};
    if (uname(&names) != 0 || !names.release[0]) return std::nullopt;
    return std::string(names.release);
}

std::optional<uint64_t> readPhysicalMemory() {
    struct sysinfo info = {};
    if (sysinfo(&info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

std::optional<uint64_t> readAddressSpaceLimit() {
    rlimit limit = {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<uint64_t>(limit.rlim_cur);
}

std::string readHostAddress() {
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0) return {};
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::string result = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) ? text : "";
    freeaddrinfo(found);
    return result;
}

std::vector<NetworkAdapter> readAdapters() {
    std::vector<NetworkAdapter> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return list;
    for (ifaddrs* entry = all; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        NetworkAdapter adapter;
        adapter.name = entry->ifa_name ? entry->ifa_name : "";
        adapter.hardwareType = link->sll_hatype;
        size_t length = std::min<size_t>(link->sll_halen, sizeof link->sll_addr);
        adapter.address.assign(link->sll_addr, link->sll_addr + length);
        adapter.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0 || link->sll_hatype == ARPHRD_LOOPBACK;
        list.push_back(std::move(adapter));
    }
    freeifaddrs(all);
    return list;
}

unsigned readHexFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string text;
    in >> text;
    return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 16));
}

// The name "Vendor Device" from a pci.ids file, else empty.
std::string pciName(unsigned vendor, unsigned device) {
    char vendorKey[8];
    char deviceKey[8];
    std::snprintf(vendorKey, sizeof vendorKey, "%04x", vendor & 0xffff);
    std::snprintf(deviceKey, sizeof deviceKey, "%04x", device & 0xffff);
    for (const char* file : PCI_ID_FILES) {
        std::ifstream in(file);
        if (!in) continue;
        std::string line;
        std::string vendorName;
        bool inVendor = false;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            if (line[0] != '\t') {
                if (inVendor) break;
                inVendor = line.compare(0, 4, vendorKey) == 0 && line.size() > 6;
                if (inVendor) vendorName = line.substr(6);
            } else if (inVendor && line.size() > 7 && line[1] != '\t' && line.compare(1, 4, deviceKey) == 0) {
                return vendorName + " " + line.substr(7);
            }
        }
        if (inVendor) return {};
    }
    return {};
}

std::vector<DisplayDevice> readDisplayDevices() {
    std::vector<DisplayDevice> list;
    std::error_code error;
    std::vector<std::filesystem::path> cards;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/drm", error)) {
        const std::string name = entry.path().filename().string();
        // "card0", not its connectors ("card0-HDMI-A-1").
        if (name.rfind("card", 0) == 0 && name.find('-') == std::string::npos) cards.push_back(entry.path());
    }
    std::sort(cards.begin(), cards.end());
    for (const auto& card : cards) {
        if (!std::filesystem::exists(card / "device" / "vendor", error)) continue;
        DisplayDevice device;
        device.vendor = readHexFile(card / "device" / "vendor");
        device.device = readHexFile(card / "device" / "device");
        device.name = pciName(device.vendor, device.device);
        list.push_back(device);
    }
    return list;
}

std::string hexPairs(const std::vector<unsigned char>& bytes) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        if (i > 0) text += ':';
        text += pair;
    }
    return text;
}
}  // namespace

SysInfoSources SysInfoSources::system(std::string glRenderer) {
    SysInfoSources sources;
    sources.cpuBrand = readCpuBrand;
    sources.osName = readOsName;
    sources.kernelRelease = readKernelRelease;
    sources.physicalMemory = readPhysicalMemory;
    sources.addressSpaceLimit = readAddressSpaceLimit;
    sources.hostAddress = readHostAddress;
    sources.adapters = readAdapters;
    sources.displayDevices = readDisplayDevices;
    sources.glRenderer = std::move(glRenderer);
    return sources;
}

std::string GetSysInfo::megabytes(uint64_t bytes) {
    return std::to_string(bytes / 1000000) + "MB";
}

std::string GetSysInfo::pickMac(const std::vector<NetworkAdapter>& adapters) {
    for (const NetworkAdapter& adapter : adapters)
        if (adapter.hardwareType == ARPHRD_ETHER && adapter.address.size() == 6)
            return hexPairs(adapter.address);
    for (const NetworkAdapter& adapter : adapters)
        if (!adapter.loopback && adapter.hardwareType != ARPHRD_LOOPBACK && !adapter.address.empty())
            return hexPairs(adapter.address);
    return {};
}

GetSysInfo::GetSysInfo(const SysInfoSources& sources) {
    if (sources.cpuBrand) cpu = sources.cpuBrand();
    std::optional<std::string> os = sources.osName ? sources.osName() : std::nullopt;
    std::optional<std::string> kernel = sources.kernelRelease ? sources.kernelRelease() : std::nullopt;
    if (os && kernel) {
        sysVer = *os + " " + *kernel;
    } else if (os || kernel) {
        sysVer = os ? *os : *kernel;
    } else {
        sysVer = UNKNOWN_OS;
    }
    if (auto total = sources.physicalMemory ? sources.physicalMemory() : std::nullopt)
        phymem = megabytes(*total);
    auto limit = sources.addressSpaceLimit ? sources.addressSpaceLimit() : std::nullopt;
    virmem = megabytes(limit ? *limit : ADDRESS_SPACE);
    if (sources.hostAddress) ip = sources.hostAddress();
    if (sources.adapters) mac = pickMac(sources.adapters());
    if (sources.displayDevices) {
        for (const DisplayDevice& device : sources.displayDevices()) {
            if (displayCards.size() == MAX_DISPLAY_CARDS) break;
            if (!device.name.empty()) {
                displayCards.push_back(device.name);
                continue;
            }
            char ids[32];
            std::snprintf(ids, sizeof ids, "PCI %04x:%04x", device.vendor & 0xffff, device.device & 0xffff);
            displayCards.emplace_back(ids);
        }
    }
    if (displayCards.empty() && !sources.glRenderer.empty()) displayCards.push_back(sources.glRenderer);
}
