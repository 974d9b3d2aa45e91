// md5Hex of 100 MB against `md5sum` of the same bytes in a file (page cache), best of several
// interleaved runs.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "Md5.h"
#include "TempHome.h"

namespace {
constexpr size_t DATA_BYTES = 100u * 1000 * 1000;
constexpr int ROUNDS = 5;
constexpr double TARGET_RATIO = 1.5;
}  // namespace

int main() {
    const TempHome folder("zento_bench", TempHome::Use::FOLDER);
    std::string data(DATA_BYTES, '\0');
    std::mt19937_64 random(1321);
    for (size_t k = 0; k + 8 <= data.size(); k += 8) {
        uint64_t word = random();
        std::memcpy(&data[k], &word, 8);
    }
    const std::string dataPath = folder.file("data.bin");
    const std::string digestPath = folder.file("digest.txt");
    if (!writeBytes(dataPath, data)) {
        std::fprintf(stderr, "cannot write %s\n", dataPath.c_str());
        return 1;
    }

    Best ours;
    Best md5sum;
    std::string digest;
    for (int round = 0; round < ROUNDS; ++round) {
        int status = 0;
        md5sum.add(runTimed({"md5sum", dataPath}, digestPath, status));
        if (status != 0) {
            std::fprintf(stderr, "md5sum failed\n");
            return 1;
        }
        ours.add(measure([&] { digest = md5Hex(data.data(), data.size()); }));
    }
    std::ifstream in(digestPath);
    std::string reference;
    in >> reference;
    if (digest != reference) {
        std::fprintf(stderr, "digests differ: %s vs %s\n", digest.c_str(), reference.c_str());
        return 1;
    }

    std::printf("input: %zu bytes; digest %s; best of %d runs\n", data.size(), digest.c_str(), ROUNDS);
    printRatio("md5Hex (bytes in memory) vs md5sum FILE", "md5Hex", ours, "md5sum", md5sum, TARGET_RATIO);
    return 0;
}
