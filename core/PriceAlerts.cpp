#include "PriceAlerts.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "CDebugModule.h"
#include "FileHelpers.h"

namespace {
constexpr const char* FORMAT_NAME = "zento-alerts";
constexpr int FORMAT_VERSION = 1;
constexpr size_t MAX_SYMBOL_BYTES = 32;

bool usablePrice(double price) {
    return std::isfinite(price) && price > 0;
}

std::optional<PriceAlert> readAlert(const rapidjson::Value& value) {
    if (!value.IsObject()) return std::nullopt;
    const auto symbol = value.FindMember("symbol");
    const auto price = value.FindMember("price");
    const auto rising = value.FindMember("rising");
    const auto fired = value.FindMember("fired");
    if (symbol == value.MemberEnd() || !symbol->value.IsString() || price == value.MemberEnd() ||
        !price->value.IsNumber() || rising == value.MemberEnd() || !rising->value.IsBool() ||
        fired == value.MemberEnd() || !fired->value.IsBool())
        return std::nullopt;
    PriceAlert alert;
    alert.symbol.assign(symbol->value.GetString(), symbol->value.GetStringLength());
    alert.price = price->value.GetDouble();
    alert.rising = rising->value.GetBool();
    alert.fired = fired->value.GetBool();
    const auto firedTime = value.FindMember("firedTime");
    const auto firedPrice = value.FindMember("firedPrice");
    if (firedTime != value.MemberEnd() && firedTime->value.IsInt64())
        alert.firedTime = firedTime->value.GetInt64();
    if (firedPrice != value.MemberEnd() && firedPrice->value.IsNumber())
        alert.firedPrice = firedPrice->value.GetDouble();
    if (alert.symbol.empty() || alert.symbol.size() > MAX_SYMBOL_BYTES || !usablePrice(alert.price))
        return std::nullopt;
    return alert;
}
}  // namespace

PriceAlerts::PriceAlerts(std::string folder) : path_(std::move(folder) + FILE_NAME) {}

bool PriceAlerts::load() {
    alerts_.clear();
    const std::optional<std::vector<unsigned char>> bytes = readFile(path_);
    if (!bytes) return true;
    const auto refuse = [&](const char* why) {
        logWarn("alerts: %s %s; no alerts loaded, the file is kept until an alert changes", path_.c_str(),
                why);
        alerts_.clear();
        return false;
    };
    if (bytes->size() > MAX_FILE_BYTES) return refuse("is too large");
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(reinterpret_cast<const char*>(bytes->data()),
                                                   bytes->size());
    if (document.HasParseError() || !document.IsObject()) return refuse("is not a JSON object");
    const auto format = document.FindMember("format");
    const auto version = document.FindMember("version");
    const auto list = document.FindMember("alerts");
    if (format == document.MemberEnd() || !format->value.IsString() ||
        std::string(format->value.GetString()) != FORMAT_NAME)
        return refuse("is of another format");
    if (version == document.MemberEnd() || !version->value.IsInt() || version->value.GetInt() < 1 ||
        version->value.GetInt() > FORMAT_VERSION)
        return refuse("has a version this program does not read");
    if (list == document.MemberEnd() || !list->value.IsArray()) return refuse("has no alert list");
    size_t skipped = 0;
    for (const rapidjson::Value& value : list->value.GetArray()) {
        std::optional<PriceAlert> alert = readAlert(value);
        if (!alert || alerts_.size() >= MAX_ALERTS) {
            ++skipped;
            continue;
        }
        alert->id = nextId_++;
        alerts_.push_back(std::move(*alert));
    }
    if (skipped > 0) logWarn("alerts: skipped %zu unusable alerts of %s", skipped, path_.c_str());
    return true;
}

std::vector<std::string> PriceAlerts::armedSymbols() const {
    std::vector<std::string> symbols;
    for (const PriceAlert& alert : alerts_)
        if (!alert.fired && std::find(symbols.begin(), symbols.end(), alert.symbol) == symbols.end())
            symbols.push_back(alert.symbol);
    return symbols;
}

int PriceAlerts::add(const std::string& symbol, double price, double lastPrice) {
    if (symbol.empty() || symbol.size() > MAX_SYMBOL_BYTES || !usablePrice(price) ||
        !usablePrice(lastPrice) || alerts_.size() >= MAX_ALERTS)
        return 0;
    PriceAlert alert;
    alert.id = nextId_++;
    alert.symbol = symbol;
    alert.price = price;
    alert.rising = price >= lastPrice;
    alerts_.push_back(alert);
    changed();
    return alert.id;
}

bool PriceAlerts::move(int id, double price, double lastPrice) {
    if (!usablePrice(price) || !usablePrice(lastPrice)) return false;
    auto found =
        std::find_if(alerts_.begin(), alerts_.end(), [id](const PriceAlert& a) { return a.id == id; });
    if (found == alerts_.end()) return false;
    found->price = price;
    found->rising = price >= lastPrice;
    found->fired = false;
    found->firedTime = 0;
    found->firedPrice = 0;
    changed();
    return true;
}

bool PriceAlerts::remove(int id) {
    auto found =
        std::find_if(alerts_.begin(), alerts_.end(), [id](const PriceAlert& a) { return a.id == id; });
    if (found == alerts_.end()) return false;
    alerts_.erase(found);
    changed();
    return true;
}

std::vector<PriceAlert> PriceAlerts::quote(const std::string& symbol, double price, int64_t time) {
    std::vector<PriceAlert> fired;
    if (!usablePrice(price)) return fired;
    for (PriceAlert& alert : alerts_) {
        if (alert.fired || alert.symbol != symbol) continue;
        const bool reached = alert.rising ? price >= alert.price : price <= alert.price;
        if (!reached) continue;
        alert.fired = true;
        alert.firedTime = time;
        alert.firedPrice = price;
        fired.push_back(alert);
    }
    if (!fired.empty()) changed();
    return fired;
}

bool PriceAlerts::changed() {
    ++revision_;
    const bool saved = save();
    bindings_.notify();
    return saved;
}

bool PriceAlerts::save() const {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("format");
    writer.String(FORMAT_NAME);
    writer.Key("version");
    writer.Int(FORMAT_VERSION);
    writer.Key("alerts");
    writer.StartArray();
    for (const PriceAlert& alert : alerts_) {
        writer.StartObject();
        writer.Key("symbol");
        writer.String(alert.symbol.c_str(), static_cast<rapidjson::SizeType>(alert.symbol.size()));
        writer.Key("price");
        writer.Double(alert.price);
        writer.Key("rising");
        writer.Bool(alert.rising);
        writer.Key("fired");
        writer.Bool(alert.fired);
        writer.Key("firedTime");
        writer.Int64(alert.firedTime);
        writer.Key("firedPrice");
        writer.Double(alert.firedPrice);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    if (saveFile(path_, buffer.GetString(), buffer.GetSize())) return true;
    logWarn("alerts: %s could not be written; the alerts hold for this run", path_.c_str());
    return false;
}
