// xcpack: packs the terminal's data tables from their readable sources.
//
//   xcpack config --feed DEFAULTS.json --source CONFIG.json --output CONFIG.xc
//   xcpack language --source LANGUAGE.json --output LANGUAGE.xc
//   xcpack dump --columns N TABLE.xc
//
// dump prints a packed table, one row per line, its texts separated by tabs.
// The configuration source may write "${endpoint}" for the URL of a feed endpoint named in
// feed/defaults.json, so the feed's host, ports and paths are written down only there. Every endpoint
// that names a configuration key must have that key in the table. Exits 0 on success, 1 with a
// message on stderr otherwise; an output is replaced only when the whole table was packed.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FeedEndpoints.h"
#include "SourceFile.h"
#include "TableSource.h"
#include "XcTableWriter.h"

namespace {
constexpr const char* USAGE =
    "usage: xcpack config --feed DEFAULTS.json --source CONFIG.json --output CONFIG.xc\n"
    "       xcpack language --source LANGUAGE.json --output LANGUAGE.xc\n"
    "       xcpack dump --columns N TABLE.xc\n";
// Both languages: index 0 and index 1.
constexpr size_t LANGUAGE_COUNT = 2;
constexpr const char* DEFAULT_LANGUAGE_KEY = "default";

int fail(const std::string& message) {
    std::fprintf(stderr, "xcpack: %s\n", message.c_str());
    return 1;
}

// "--name value" pairs and bare arguments.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> rest;

    std::string get(const std::string& name) const {
        auto found = options.find(name);
        return found == options.end() ? std::string() : found->second;
    }
};

std::optional<Arguments> parseArguments(int argc, char** argv, std::string& error) {
    Arguments arguments;
    for (int k = 2; k < argc; ++k) {
        std::string argument = argv[k];
        if (argument.rfind("--", 0) == 0) {
            if (k + 1 >= argc) {
                error = argument + " needs a value";
                return std::nullopt;
            }
            arguments.options[argument.substr(2)] = argv[++k];
        } else {
            arguments.rest.push_back(argument);
        }
    }
    return arguments;
}

int writeTable(const std::vector<TableSource::Row>& rows, const std::string& output) {
    std::string error;
    std::vector<unsigned char> bytes = XcTableWriter::pack(rows, error);
    if (bytes.empty()) return fail(error);
    if (!writeOutputFile(output, bytes, error)) return fail(error);
    return 0;
}

int packConfig(const Arguments& arguments) {
    const std::string feedPath = arguments.get("feed");
    const std::string sourcePath = arguments.get("source");
    const std::string output = arguments.get("output");
    if (feedPath.empty() || sourcePath.empty() || output.empty())
        return fail(std::string("missing option\n") + USAGE);
    std::string error;
    std::optional<FeedEndpoints> feed = FeedEndpoints::load(feedPath, error);
    if (!feed) return fail(error);
    std::optional<TableSource> table = TableSource::load(sourcePath, 1, error);
    if (!table) return fail(error);

    for (TableSource::Row& row : table->getRows()) {
        for (std::string& text : row) {
            std::string expanded;
            if (!feed->expand(text, expanded, error)) return fail(sourcePath + ": " + error);
            text = expanded;
        }
    }
    for (const FeedEndpoints::Endpoint& endpoint : feed->getEndpoints()) {
        if (endpoint.configKey.empty()) continue;
        const std::string key =
            endpoint.configKey == FeedEndpoints::URL_AS_KEY ? endpoint.url : endpoint.configKey;
        if (!table->find(key)) {
            return fail(sourcePath + ": the key \"" + key + "\" of the feed endpoint \"" + endpoint.name +
                        "\" is missing");
        }
    }
    return writeTable(table->getRows(), output);
}

int packLanguage(const Arguments& arguments) {
    const std::string sourcePath = arguments.get("source");
    const std::string output = arguments.get("output");
    if (sourcePath.empty() || output.empty()) return fail(std::string("missing option\n") + USAGE);
    std::string error;
    std::optional<TableSource> table = TableSource::load(sourcePath, LANGUAGE_COUNT, error);
    if (!table) return fail(error);
    if (!table->find(DEFAULT_LANGUAGE_KEY)) {
        return fail(sourcePath + ": the fallback entry \"" + DEFAULT_LANGUAGE_KEY + "\" is missing");
    }
    return writeTable(table->getRows(), output);
}

int dump(const Arguments& arguments) {
    const int columns = std::atoi(arguments.get("columns").c_str());
    if (columns < 1 || arguments.rest.size() != 1)
        return fail(std::string("dump needs --columns N and a file\n") + USAGE);
    std::string error;
    std::optional<std::string> bytes = readSourceFile(arguments.rest[0], error);
    if (!bytes) return fail(error);
    const auto rows = XcTableWriter::unpack(std::vector<unsigned char>(bytes->begin(), bytes->end()),
                                            static_cast<size_t>(columns));
    for (const auto& row : rows) {
        for (size_t k = 0; k < row.size(); ++k) std::printf("%s%s", k ? "\t" : "", row[k].c_str());
        std::printf("\n");
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return fail(std::string("no command\n") + USAGE);
    std::string error;
    std::optional<Arguments> arguments = parseArguments(argc, argv, error);
    if (!arguments) return fail(error);
    const std::string command = argv[1];
    if (command == "config") return packConfig(*arguments);
    if (command == "language") return packLanguage(*arguments);
    if (command == "dump") return dump(*arguments);
    return fail("unknown command \"" + command + "\"\n" + USAGE);
}
