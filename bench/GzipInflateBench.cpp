// gzipInflate of a 50 MB bar CSV made by gzip, against `gzip -dc > /dev/null` of the same file.
// Both sides read the compressed file and inflate all of it; best of several interleaved runs.
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchSupport.h"
#include "CDebugModule.h"
#include "FileHelpers.h"
#include "TempHome.h"

namespace {
constexpr size_t CSV_BYTES = 50u * 1000 * 1000;
constexpr int ROUNDS = 5;
constexpr double TARGET_RATIO = 1.3;
}  // namespace

int main() {
    CDebugModule::getInstance()->setConsoleOutput(false);
    const TempHome folder("zento_bench", TempHome::Use::FOLDER);
    const std::string csvPath = folder.file("history.csv");
    const std::string gzPath = csvPath + ".gz";
    const std::string csv = makeBarCsv(CSV_BYTES);
    int status = 0;
    if (!writeBytes(csvPath, csv) || (runTimed({"gzip", "-c", "-n", csvPath}, gzPath, status), status != 0)) {
        std::fprintf(stderr, "cannot make %s with gzip\n", gzPath.c_str());
        return 1;
    }

    Best ours;
    Best oursFixed;
    Best gzip;
    for (int round = 0; round < ROUNDS; ++round) {
        gzip.add(runTimed({"gzip", "-dc", gzPath}, "/dev/null", status));
        if (status != 0) {
            std::fprintf(stderr, "gzip -dc failed\n");
            return 1;
        }

        std::vector<unsigned char> output;
        int result = -1;
        ours.add(measure([&] {
            auto compressed = readFile(gzPath);
            if (compressed) result = gzipInflate(compressed->data(), compressed->size(), output);
        }));
        if (result != 0 || output.size() != csv.size() ||
            std::memcmp(output.data(), csv.data(), csv.size()) != 0) {
            std::fprintf(stderr, "gzipInflate gave a wrong result\n");
            return 1;
        }

        // The fixed-buffer form, for reference: output buffer allocated outside the measurement.
        auto compressed = readFile(gzPath);
        std::vector<unsigned char> buffer(csv.size());
        size_t length = buffer.size();
        oursFixed.add(measure(
            [&] { result = gzipInflate(compressed->data(), compressed->size(), buffer.data(), length); }));
        if (result != 0 || length != csv.size()) {
            std::fprintf(stderr, "gzipInflate (fixed buffer) failed\n");
            return 1;
        }
    }

    std::printf("input: %zu bytes of CSV, %zu bytes gzip (default level); best of %d runs\n", csv.size(),
                static_cast<size_t>(readFile(gzPath)->size()), ROUNDS);
    printRatio("gzipInflate (read file + inflate into a growing vector) vs gzip -dc > /dev/null",
               "gzipInflate", ours, "gzip -dc", gzip, TARGET_RATIO);
    printRatio("gzipInflate (bytes in memory, fixed buffer) vs gzip -dc > /dev/null", "gzipInflate (fixed)",
               oursFixed, "gzip -dc", gzip, TARGET_RATIO);
    return 0;
}
