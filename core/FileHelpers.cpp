#include "FileHelpers.h"

#include <glob.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CDebugModule.h"

USING_NS_CC;

namespace {
// Window bits 15 plus 16: the gzip wrapper only.
constexpr int GZIP_WINDOW_BITS = 31;
// zlib counts in 32-bit units; larger buffers are handed over in steps of this size.
constexpr size_t MAX_ZLIB_STEP = size_t{1} << 30;
// A zlib header offered once more after a data error (deflate, 32 KB window).
const unsigned char DUMMY_ZLIB_HEADER[2] = {0x78, 0x01};
constexpr size_t MIN_GROWING_OUTPUT = 64 * 1024;
// Small enough that a piece is still in the cache when its reader gets it.
constexpr size_t INFLATE_PIECE_BYTES = 256 * 1024;
constexpr int SHORTEN_START_BUDGET = 3;
constexpr int SHORTEN_BUDGET = 20;
constexpr int SHORTEN_WIDE_COST = 3;

// One gzip stream, ended on every path.
class GzipStream {
public:
    GzipStream() { ready_ = inflateInit2(&stream_, GZIP_WINDOW_BITS) == Z_OK; }
    ~GzipStream() {
        if (ready_) inflateEnd(&stream_);
    }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    enum class Result { Ended, OutputFull, Failed };

    bool isReady() const { return ready_; }
    const char* failure() const { return failure_; }

    // Inflates from source[consumed] into destination[produced .. capacity), advancing both, until
    // the stream ends, the output is full or the input fails.
    Result inflateInto(const unsigned char* source, size_t sourceLength, size_t& consumed,
                       unsigned char* destination, size_t capacity, size_t& produced) {
        for (;;) {
            size_t inStep = std::min(sourceLength - consumed, MAX_ZLIB_STEP);
            size_t outStep = std::min(capacity - produced, MAX_ZLIB_STEP);
            if (outStep == 0) return Result::OutputFull;
            stream_.next_in = const_cast<Bytef*>(source + consumed);
            stream_.avail_in = static_cast<uInt>(inStep);
            stream_.next_out = destination + produced;
            stream_.avail_out = static_cast<uInt>(outStep);
            int status = inflate(&stream_, Z_NO_FLUSH);
            consumed += inStep - stream_.avail_in;
            produced += outStep - stream_.avail_out;
            if (status == Z_STREAM_END) return Result::Ended;
            if (status == Z_OK) continue;
            if (status == Z_DATA_ERROR) {
                // zlib keeps a failed stream failed, so this second try fails as well; kept so that
                // input in the old form gets the same answer as before.
                stream_.next_in = const_cast<Bytef*>(DUMMY_ZLIB_HEADER);
                stream_.avail_in = sizeof(DUMMY_ZLIB_HEADER);
                size_t before = stream_.avail_out;
                status = inflate(&stream_, Z_NO_FLUSH);
                produced += before - stream_.avail_out;
                if (status == Z_OK) continue;
                failure_ = stream_.msg ? stream_.msg : "corrupt data";
                return Result::Failed;
            }
            if (status == Z_BUF_ERROR && consumed == sourceLength) {
                failure_ = "truncated input";
                return Result::Failed;
            }
            if (status == Z_BUF_ERROR && produced == capacity) return Result::OutputFull;
            failure_ = stream_.msg ? stream_.msg : "inflate error";
            return Result::Failed;
        }
    }

    // After the output filled up: true when the stream ends without producing another byte.
    bool endsHere(const unsigned char* source, size_t sourceLength, size_t& consumed) {
        unsigned char probe = 0;
        size_t produced = 0;
        Result result = inflateInto(source, sourceLength, consumed, &probe, 1, produced);
        if (result == Result::Ended && produced == 0) return true;
        if (result != Result::Failed) failure_ = "output buffer too small";
        return false;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
    const char* failure_ = "inflate error";
};

int inflateFailed(const char* reason) {
    logInfo("gzipInflate failed: %s", reason);
    return -1;
}

size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xC0 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    return 1;  // ASCII, or a stray byte that starts no character
}
}  // namespace

void scrambleDataTable(unsigned char* bytes, size_t count) {
    if (!bytes) return;
    for (size_t k = 0; k < count; ++k) bytes[k] ^= DATA_TABLE_KEY;
}

std::optional<std::vector<unsigned char>> readFile(const std::string& path) {
    if (path.empty()) return std::nullopt;
    return CCFileUtils::sharedFileUtils()->getFileBytes(path);
}

std::unique_ptr<CCmdPacket> readPacketFile(const std::string& path) {
    auto bytes = readFile(path);
    if (!bytes) return nullptr;
    if (bytes->size() > INT_MAX) {
        logInfo("data table too large: %s", path.c_str());
        return nullptr;
    }
    scrambleDataTable(bytes->data(), bytes->size());
    return std::make_unique<CCmdPacket>(std::move(*bytes));
}

bool saveFile(const std::string& path, const void* bytes, size_t count) {
    if (path.empty() || !bytes || count == 0) return false;
    if (CCFileUtils::writeFileAtomically(path, bytes, count)) {
        CCLog("save file complete: %s", path.c_str());
        return true;
    }
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    makeDirs(slashed);
    if (CCFileUtils::writeFileAtomically(slashed, bytes, count)) {
        CCLog("make dir and save file complete: %s", slashed.c_str());
        return true;
    }
    CCLog("save file faild: %s", slashed.c_str());
    return false;
}

bool makeDirs(const std::string& path) {
    size_t lastSlash = path.rfind('/');
    if (lastSlash == std::string::npos || lastSlash == 0) return true;
    std::string folder = path.substr(0, lastSlash);
    if (folder.size() >= MAX_DIR_PATH_LENGTH) return false;
    return CCFileUtils::createDirectories(folder);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    size_t position = 0;
    while ((position = text.find(from, position)) != std::string::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
    return text;
}

std::vector<std::string> splitString(const std::string& text, char delimiter) {
    return splitString(text, std::string(1, delimiter));
}

std::vector<std::string> splitString(const std::string& text, const std::string& delimiter) {
    if (delimiter.empty()) return {text};
    std::vector<std::string> pieces;
    size_t start = 0;
    size_t found;
    while ((found = text.find(delimiter, start)) != std::string::npos) {
        pieces.push_back(text.substr(start, found - start));
        start = found + delimiter.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<std::string> listFiles(const std::string& pattern) {
    std::vector<std::string> names;
    glob_t found{};
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t k = 0; k < found.gl_pathc; ++k) {
            std::string path = found.gl_pathv[k];
            size_t slash = path.rfind('/');
            std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            logInfo("%s", name.c_str());
            names.push_back(std::move(name));
        }
    }
    globfree(&found);
    return names;
}

int gzipInflate(const unsigned char* source, size_t sourceLength, unsigned char* destination,
                size_t& destinationLength) {
    if (!source || sourceLength == 0) return inflateFailed("no input");
    if (!destination && destinationLength > 0) return inflateFailed("no output buffer");
    GzipStream stream;
    if (!stream.isReady()) return inflateFailed("cannot start inflation");
    size_t consumed = 0;
    size_t produced = 0;
    unsigned char none = 0;
    unsigned char* output = destination ? destination : &none;
    switch (stream.inflateInto(source, sourceLength, consumed, output, destinationLength, produced)) {
        case GzipStream::Result::Ended:
            break;
        case GzipStream::Result::OutputFull:
            if (!stream.endsHere(source, sourceLength, consumed)) return inflateFailed(stream.failure());
            break;
        case GzipStream::Result::Failed:
            return inflateFailed(stream.failure());
    }
    destinationLength = produced;
    return 0;
}

int gzipInflate(const unsigned char* source, size_t sourceLength, std::vector<unsigned char>& destination,
                size_t maxLength) {
    destination.clear();
    if (!source || sourceLength == 0) return inflateFailed("no input");
    GzipStream stream;
    if (!stream.isReady()) return inflateFailed("cannot start inflation");
    size_t consumed = 0;
    size_t produced = 0;
    // History files inflate to several times their size; start there and double.
    size_t guess = sourceLength < SIZE_MAX / 4 ? sourceLength * 4 : SIZE_MAX;
    size_t capacity = std::min(maxLength, std::max(MIN_GROWING_OUTPUT, guess));
    for (;;) {
        destination.resize(capacity);
        auto result =
            stream.inflateInto(source, sourceLength, consumed, destination.data(), capacity, produced);
        if (result == GzipStream::Result::Ended) break;
        if (result == GzipStream::Result::Failed) {
            destination.clear();
            return inflateFailed(stream.failure());
        }
        if (capacity == maxLength) {
            if (stream.endsHere(source, sourceLength, consumed)) break;
            destination.clear();
            return inflateFailed("output larger than the limit");
        }
        capacity = capacity > maxLength / 2 ? maxLength : capacity * 2;
    }
    destination.resize(produced);
    return 0;
}

int gzipInflatePieces(const unsigned char* source, size_t sourceLength, size_t maxLength,
                      const std::function<void(const unsigned char*, size_t)>& sink) {
    if (!source || sourceLength == 0) return inflateFailed("no input");
    GzipStream stream;
    if (!stream.isReady()) return inflateFailed("cannot start inflation");
    std::vector<unsigned char> piece(INFLATE_PIECE_BYTES);
    size_t consumed = 0;
    size_t total = 0;
    for (;;) {
        size_t produced = 0;
        const size_t room = std::min(piece.size(), maxLength - total);
        auto result = stream.inflateInto(source, sourceLength, consumed, piece.data(), room, produced);
        if (result == GzipStream::Result::Failed) return inflateFailed(stream.failure());
        if (produced > 0) sink(piece.data(), produced);
        total += produced;
        if (result == GzipStream::Result::Ended) return 0;
        if (total == maxLength) {
            if (stream.endsHere(source, sourceLength, consumed)) return 0;
            return inflateFailed("output larger than the limit");
        }
    }
}

std::string shortenText(const std::string& text) {
    int budget = SHORTEN_START_BUDGET;
    size_t position = 0;
    while (position < text.size() && budget < SHORTEN_BUDGET) {
        auto lead = static_cast<unsigned char>(text[position]);
        if (lead < 0x80) {
            budget += 1;
            position += 1;
        } else {
            budget += SHORTEN_WIDE_COST;
            position += std::min(utf8SequenceLength(lead), text.size() - position);
        }
    }
    if (position >= text.size()) return text;
    return text.substr(0, position) + "...";
}
