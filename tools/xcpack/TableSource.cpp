#include "TableSource.h"

#include <set>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "SourceFile.h"

namespace {
constexpr unsigned PARSE_FLAGS = rapidjson::kParseCommentsFlag | rapidjson::kParseTrailingCommasFlag;

std::string text(const rapidjson::Value& value) {
    return std::string(value.GetString(), value.GetStringLength());
}
}  // namespace

std::optional<TableSource> TableSource::load(const std::string& path, size_t textsPerKey,
                                             std::string& error) {
    std::optional<std::string> source = readSourceFile(path, error);
    if (!source) return std::nullopt;
    rapidjson::Document root;
    root.Parse<PARSE_FLAGS>(source->c_str(), source->size());
    if (root.HasParseError()) {
        error = path + ": " + rapidjson::GetParseError_En(root.GetParseError()) + " at byte " +
                std::to_string(root.GetErrorOffset());
        return std::nullopt;
    }
    if (!root.IsObject()) {
        error = path + ": the table must be one JSON object";
        return std::nullopt;
    }

    TableSource table;
    std::set<std::string> keys;
    for (const auto& member : root.GetObject()) {
        Row row{text(member.name)};
        const std::string where = path + ": \"" + row[0] + "\"";
        if (row[0].empty()) {
            error = path + ": empty key";
            return std::nullopt;
        }
        if (!keys.insert(row[0]).second) {
            error = where + " appears twice";
            return std::nullopt;
        }
        if (textsPerKey == 1 && member.value.IsString()) {
            row.push_back(text(member.value));
        } else if (textsPerKey > 1 && member.value.IsArray() && member.value.Size() == textsPerKey) {
            for (const rapidjson::Value& value : member.value.GetArray()) {
                if (!value.IsString()) break;
                row.push_back(text(value));
            }
        }
        if (row.size() != textsPerKey + 1) {
            error =
                where + (textsPerKey == 1 ? " needs one text"
                                          : " needs an array of " + std::to_string(textsPerKey) + " texts");
            return std::nullopt;
        }
        for (size_t k = 1; k < row.size(); ++k) {
            if (row[k].empty()) {
                error = where + " has an empty text";
                return std::nullopt;
            }
        }
        table.rows_.push_back(std::move(row));
    }
    return table;
}

const TableSource::Row* TableSource::find(const std::string& key) const {
    for (const Row& row : rows_) {
        if (row[0] == key) return &row;
    }
    return nullptr;
}
