#include "PriceAlerts.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "CDebugModule.h"
#include "FileHelpers.h"
#include "VersionedJson.h"

namespace {
constexpr const char* FORMAT_NAME = "zento-alerts";
constexpr int FORMAT_VERSION = 1;
constexpr size_t MAX_SYMBOL_BYTES = 32;

bool usablePrice(double price) {
    return std::isfinite(price) && price > 0;
}

std::optional<PriceAlert> readAlert(const rapidjson::Value& value) {
    using versioned_json::member;
    if (!value.IsObject()) return std::nullopt;
    const rapidjson::Value* symbol = member(value, "symbol");
    const rapidjson::Value* price = member(value, "price");
    const rapidjson::Value* rising = member(value, "rising");
    const rapidjson::Value* fired = member(value, "fired");
    if (!symbol || !symbol->IsString() || !price || !price->IsNumber() || !rising || !rising->IsBool() ||
        !fired || !fired->IsBool())
        return std::nullopt;
    PriceAlert alert;
    alert.symbol.assign(symbol->GetString(), symbol->GetStringLength());
    alert.price = price->GetDouble();
    alert.rising = rising->GetBool();
    alert.fired = fired->GetBool();
    if (const rapidjson::Value* firedTime = member(value, "firedTime"); firedTime && firedTime->IsInt64())
        alert.firedTime = firedTime->GetInt64();
    if (const rapidjson::Value* firedPrice = member(value, "firedPrice");
        firedPrice && firedPrice->IsNumber())
        alert.firedPrice = firedPrice->GetDouble();
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
    versioned_json::Document document;
    if (const char* problem = document.read(reinterpret_cast<const char*>(bytes->data()), bytes->size(),
                                            FORMAT_NAME, FORMAT_VERSION))
        return refuse(problem);
    const rapidjson::Value* list = versioned_json::member(document, "alerts");
    if (!list || !list->IsArray()) return refuse("has no alert list");
    size_t skipped = 0;
    for (const rapidjson::Value& value : list->GetArray()) {
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
    versioned_json::startFile(writer, FORMAT_NAME, FORMAT_VERSION);
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
