// Reading the market stream: a second of a busy stream is a few hundred quotes and bar batches, each
// parsed once and walked by index. Measured against a bare parse of the same texts (no reading of
// the values), best of several interleaved runs.
#include <rapidjson/document.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "MarketMessages.h"

namespace {
constexpr int QUOTES = 200000;
constexpr int BAR_BATCHES = 50000;
constexpr int ROUNDS = 5;
// Reading the values may cost at most this much over the parse itself.
constexpr double TARGET_RATIO = 1.5;

std::vector<std::string> makeQuotes() {
    const char* codes[] = {"XAUUSD", "XAGUSD", "USOIL", "UKOIL", "EURUSD", "GBPJPY"};
    std::vector<std::string> texts;
    char text[160];
    for (int k = 0; k < QUOTES; ++k) {
        std::snprintf(text, sizeof text, "[\"%s\",%.2f,%.2f,%.2f,%.2f,%d]", codes[k % 6], 2700.0 + k % 50,
                      2712.88, 2697.94, 2700.0 + k % 37 * 0.01, 1796700000 + k);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string> makeBars() {
    std::vector<std::string> texts;
    char bar[160];
    for (int k = 0; k < BAR_BATCHES; ++k) {
        std::string text = "[";
        for (int b = 0; b < 4; ++b) {
            std::snprintf(bar, sizeof bar, "%s[\"CODE%d\",%d,%.2f,%.2f,%.2f,%.2f,%d,15]", b ? "," : "", b,
                          1796699700 + k * 60, 2700.94, 2702.35, 2699.98, 2701.04 + b, 19825 + k);
            text += bar;
        }
        texts.push_back(text + "]");
    }
    return texts;
}
}  // namespace

int main() {
    const std::vector<std::string> quotes = makeQuotes();
    const std::vector<std::string> bars = makeBars();
    Best ours;
    Best parseOnly;
    double checksum = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        ours.add(measure([&] {
            for (const std::string& text : quotes) {
                market_messages::Quote quote;
                market_messages::parseQuote(text, quote);
                checksum += quote.last;
            }
            std::vector<market_messages::LiveBar> parsed;
            for (const std::string& text : bars) {
                parsed.clear();
                market_messages::parseBars(text, parsed);
                checksum += parsed.size();
            }
        }));
        parseOnly.add(measure([&] {
            for (const std::string& text : quotes) {
                rapidjson::Document document;
                document.Parse<rapidjson::kParseIterativeFlag>(text.c_str(), text.size());
                checksum += document.IsArray() ? 1 : 0;
            }
            for (const std::string& text : bars) {
                rapidjson::Document document;
                document.Parse<rapidjson::kParseIterativeFlag>(text.c_str(), text.size());
                checksum += document.IsArray() ? 1 : 0;
            }
        }));
    }
    std::printf("messages: %d quotes, %d bar batches of 4 (checksum %.0f)\n", QUOTES, BAR_BATCHES, checksum);
    printRatio("reading the market stream", "parse and read", ours, "parse only", parseOnly, TARGET_RATIO);
    return 0;
}
