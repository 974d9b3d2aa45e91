// Ingest of a history file of 1 000 000 bars (a gzip CSV made by gzip) into a chart series with
// every indicator: read, inflate and parse on the parse thread, then merge and the whole-series
// rebuild (indices, colours, KDJ, MACD, Bollinger, moving averages) on this thread, as the
// terminal does. Baseline: `gzip -dc > /dev/null` of the same file, in the same run. Also prints
// bars per second and the bytes of memory each bar of the filled series holds.
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "CDebugModule.h"
#include "FileHelpers.h"
#include "KLineHistoryLoader.h"
#include "KLineSeries.h"
#include "TempHome.h"

namespace {
constexpr int BAR_COUNT = 1000000;
constexpr int ROUNDS = 5;
constexpr double TARGET_RATIO = 1.5;

// Bars as a history file holds them: 1-minute bars of a currency pair with five decimals.
std::string makeHistoryCsv() {
    std::string csv;
    csv.reserve(static_cast<size_t>(BAR_COUNT) * 48);
    std::mt19937 random(20261208);
    uint32_t time = 1600000000;
    int pips = 108000;
    char line[128];
    for (int i = 0; i < BAR_COUNT; ++i) {
        const int open = pips;
        const int close = open + static_cast<int>(random() % 41) - 20;
        const int high = std::max(open, close) + static_cast<int>(random() % 12);
        const int low = std::min(open, close) - static_cast<int>(random() % 12);
        const int length =
            std::snprintf(line, sizeof line, "%u,%d.%05d,%d.%05d,%d.%05d,%d.%05d,%u\n", time, open / 100000,
                          open % 100000, high / 100000, high % 100000, low / 100000, low % 100000,
                          close / 100000, close % 100000, static_cast<unsigned>(random() % 20000));
        csv.append(line, static_cast<size_t>(length));
        pips = close;
        time += 60;
    }
    return csv;
}

size_t heapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Read, inflate, parse (on a parse thread, as the loader starts it), merge and rebuild.
size_t ingest(const std::string& gzPath, KLineSeries& series) {
    auto raw = readFile(gzPath);
    if (!raw) return 0;
    const std::shared_ptr<ParseKLineStruct>& batch = series.getHistoryBatch();
    uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->discardLocked();
        batch->rawData = std::move(*raw);
        batch->rawSize = static_cast<uint32_t>(batch->rawData.size());
        batch->state = BATCH_PARSING;
        ticket = batch->ticket;
    }
    std::thread(&KLineHistoryLoader::parseKLineThread, batch, ticket).join();
    return series.insertHistoryKLine();
}

bool looksRight(const KLineSeries& series, const std::string& csv) {
    if (series.size() != static_cast<size_t>(BAR_COUNT)) return false;
    for (size_t i = 1; i < series.size(); ++i) {
        if (series.barAt(i)->time <= series.barAt(i - 1)->time ||
            series.barAt(i)->index != static_cast<int>(i)) {
            return false;
        }
    }
    // The last line of the file is the newest bar; spot-check one moving average.
    const KLineBar& newest = *series.newestBar();
    float close = 0;
    const size_t lastLine = csv.rfind('\n', csv.size() - 2) + 1;
    if (std::sscanf(csv.c_str() + lastLine, "%*u,%*f,%*f,%*f,%f", &close) != 1 || close != newest.close)
        return false;
    double sum = 0;
    for (size_t i = series.size() - 5; i < series.size(); ++i) sum += series.barAt(i)->close;
    return newest.ma[0] == static_cast<float>(sum / 5) && newest.kdjK >= 1 && newest.kdjK <= 100;
}
}  // namespace

int main() {
    CDebugModule::getInstance()->setConsoleOutput(false);
    const TempHome folder("zento_bench", TempHome::Use::FOLDER);
    const std::string csvPath = folder.file("history.csv");
    const std::string gzPath = csvPath + ".gz";
    const std::string csv = makeHistoryCsv();
    int status = 0;
    if (!writeBytes(csvPath, csv) || (runTimed({"gzip", "-c", "-n", csvPath}, gzPath, status), status != 0)) {
        std::fprintf(stderr, "cannot make %s with gzip\n", gzPath.c_str());
        return 1;
    }

    Best ours;
    Best gzip;
    size_t bytesPerBar = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        gzip.add(runTimed({"gzip", "-dc", gzPath}, "/dev/null", status));
        if (status != 0) {
            std::fprintf(stderr, "gzip -dc failed\n");
            return 1;
        }
        // The window's series exists before its history arrives.
        malloc_trim(0);
        const size_t before = heapInUse();
        auto series = std::make_unique<KLineSeries>();
        size_t held = 0;
        ours.add(measure([&] { held = ingest(gzPath, *series); }));
        if (held != static_cast<size_t>(BAR_COUNT) || !looksRight(*series, csv)) {
            std::fprintf(stderr, "the series does not hold the file's bars\n");
            return 1;
        }
        bytesPerBar = (heapInUse() - before) / static_cast<size_t>(BAR_COUNT);
    }

    std::printf("input: %d bars, %zu bytes of CSV, %zu bytes gzip (default level); best of %d runs\n",
                BAR_COUNT, csv.size(), static_cast<size_t>(readFile(gzPath)->size()), ROUNDS);
    printRatio("history ingest (read, inflate, parse, merge, every indicator) vs gzip -dc > /dev/null",
               "KLineSeries ingest", ours, "gzip -dc", gzip, TARGET_RATIO);
    std::printf("  bars per second (wall)  %.0f\n", BAR_COUNT / (ours.cost.wallMs / 1000.0));
    std::printf("  memory per bar          %zu bytes (KLineBar %zu bytes + pointer + allocator)\n",
                bytesPerBar, sizeof(KLineBar));
    return 0;
}
