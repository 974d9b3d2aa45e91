#pragma once

#include <optional>
#include <string>
#include <vector>

// A data table's readable source: a JSON object (comments allowed) whose members are the rows in
// file order. With one text per key a member's value is that text; with more it is an array of
// exactly that many texts. Keys must be unique and texts non-empty.
class TableSource {
public:
    // A key followed by its texts.
    using Row = std::vector<std::string>;

    static std::optional<TableSource> load(const std::string& path, size_t textsPerKey, std::string& error);

    const std::vector<Row>& getRows() const { return rows_; }
    std::vector<Row>& getRows() { return rows_; }
    // The row whose key is key, or null.
    const Row* find(const std::string& key) const;

private:
    std::vector<Row> rows_;
};
