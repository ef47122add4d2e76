#include "tools/hstgen/description.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "tools/hstgen/hst_text.h"

namespace hstgen {
namespace {

constexpr std::int64_t kMaxSlotIndex = 32767;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits a line into arguments. Quotes are removed; escapes stay for the directive to decode,
// since only text arguments take them.
bool SplitLine(std::string_view line, std::vector<std::string>& words, std::string& error) {
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            return true;
        }
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    word += line[i++];
                }
                word += line[i++];
            }
            if (i == line.size()) {
                error = "unterminated quote";
                return false;
            }
            ++i;
            if (i < line.size() && !IsBlank(line[i])) {
                error = "a closing quote must end its argument";
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
}

class Parser {
  public:
    explicit Parser(HistoryPlan& content) : plan_(content) {}

    // One line's directive; false with `error_` set.
    bool Directive(const std::vector<std::string>& words);
    const std::string& error() const { return error_; }

  private:
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }
    bool Count(const std::vector<std::string>& words, std::size_t min, std::size_t max);
    bool NeedLayout(Layout layout, const std::string& directive);
    bool Text(const std::string& word, std::string& bytes) { return Unescape(word, bytes, error_); }
    template <typename T>
    bool Number(const std::string& word, std::optional<T>& field, const std::string& directive);

    HistoryPlan& plan_;
    std::string error_;
    bool started_ = false;  // a directive other than layout has been seen
    bool layoutSet_ = false;
};

bool Parser::Count(const std::vector<std::string>& words, std::size_t min, std::size_t max) {
    const std::size_t given = words.size() - 1;
    if (given < min || given > max) {
        std::string wanted = std::to_string(min);
        if (max > min) {
            wanted += max == std::numeric_limits<std::size_t>::max() ? " or more"
                                                                     : " to " + std::to_string(max);
        }
        return Fail(words[0] + " takes " + wanted + " argument" +
                    (max == 1 && min == 1 ? "" : "s") + ", not " + std::to_string(given));
    }
    return true;
}

bool Parser::NeedLayout(Layout layout, const std::string& directive) {
    if (plan_.layout != layout) {
        return Fail(directive + " needs the " + (layout == Layout::Compact ? "compact" : "wide") +
                    " layout");
    }
    return true;
}

template <typename T>
bool Parser::Number(const std::string& word, std::optional<T>& field,
                    const std::string& directive) {
    if (field) {
        return Fail(directive + " given twice");
    }
    std::int64_t value = 0;
    if (!ParseInteger(word, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value,
                      error_)) {
        return false;
    }
    field = static_cast<T>(value);
    return true;
}

bool Parser::Directive(const std::vector<std::string>& words) {
    const std::string& name = words[0];
    constexpr std::size_t kMany = std::numeric_limits<std::size_t>::max();
    if (name == "layout") {
        if (!Count(words, 1, 1)) {
            return false;
        }
        if (started_ || layoutSet_) {
            return Fail("layout must be the first directive");
        }
        if (words[1] != "compact" && words[1] != "wide") {
            return Fail("layout is compact or wide, not '" + words[1] + "'");
        }
        plan_.layout = words[1] == "wide" ? Layout::Wide : Layout::Compact;
        layoutSet_ = true;
        return true;
    }
    started_ = true;
    if (name == "type") {
        return Count(words, 1, 1) && Number(words[1], plan_.type, name);
    }
    if (name == "record-size") {
        return Count(words, 1, 1) && Number(words[1], plan_.recordSize, name);
    }
    if (name == "tag-text-size") {
        return Count(words, 1, 1) && NeedLayout(Layout::Wide, name) &&
               Number(words[1], plan_.tagTextSize, name);
    }
    if (name == "num-tags") {
        return Count(words, 1, 1) && Number(words[1], plan_.numTags, name);
    }
    if (name == "tag") {
        if (!Count(words, 1, 2) ||
            (words.size() == 3 && !NeedLayout(Layout::Wide, "a second field"))) {
            return false;
        }
        std::string tagName;
        std::string second = "-";
        if (!Text(words[1], tagName) || (words.size() == 3 && !Text(words[2], second))) {
            return false;
        }
        plan_.tags.push_back(std::move(tagName));
        if (plan_.layout == Layout::Wide) {
            plan_.tagSecondFields.resize(plan_.tags.size() - 1, "-");
            plan_.tagSecondFields.push_back(std::move(second));
        }
        return true;
    }
    if (name == "tag-text") {
        if (!Count(words, 1, 1) || !NeedLayout(Layout::Wide, name)) {
            return false;
        }
        if (plan_.rawTagText) {
            return Fail("tag-text given twice");
        }
        std::string text;
        if (!Text(words[1], text)) {
            return false;
        }
        plan_.rawTagText = std::move(text);
        return true;
    }
    if (name == "slot") {
        std::int64_t index = 0;
        std::string bytes;
        if (!Count(words, 2, 2) || !NeedLayout(Layout::Compact, name) ||
            !ParseInteger(words[1], 0, kMaxSlotIndex, index, error_) || !Text(words[2], bytes)) {
            return false;
        }
        const auto at = static_cast<std::size_t>(index);
        if (at < plan_.rawSlots.size() && plan_.rawSlots[at]) {
            return Fail("slot " + words[1] + " given twice");
        }
        if (at >= plan_.rawSlots.size()) {
            plan_.rawSlots.resize(at + 1);
        }
        plan_.rawSlots[at] = std::move(bytes);
        return true;
    }
    if (name == "record") {
        if (!Count(words, 1, kMany)) {
            return false;
        }
        Record record;
        if (!ParseStamp(words[1], plan_.layout, record.stamp, error_)) {
            return false;
        }
        bool anyBits = false;
        for (std::size_t i = 2; i < words.size(); ++i) {
            Value value;
            if (!ParseValue(words[i], plan_.layout, value, error_)) {
                error_ = "value " + std::to_string(i - 1) + ": " + error_;
                return false;
            }
            record.values.push_back(value.number);
            record.valueBits.push_back(value.bits);
            anyBits = anyBits || value.bits;
        }
        if (!anyBits) {
            record.valueBits.clear();
        }
        plan_.records.push_back(std::move(record));
        return true;
    }
    if (name == "raw-record") {
        Record record;
        record.raw.emplace();
        if (!Count(words, 1, 1) || !Text(words[1], *record.raw)) {
            return false;
        }
        plan_.records.push_back(std::move(record));
        return true;
    }
    if (name == "trailing") {
        std::string bytes;
        if (!Count(words, 1, 1) || !Text(words[1], bytes)) {
            return false;
        }
        plan_.trailing += bytes;
        return true;
    }
    if (name == "truncate") {
        std::int64_t size = 0;
        if (!Count(words, 1, 1) ||
            !ParseInteger(words[1], 0, std::numeric_limits<std::int64_t>::max(), size, error_)) {
            return false;
        }
        if (plan_.truncateTo) {
            return Fail("truncate given twice");
        }
        plan_.truncateTo = static_cast<std::size_t>(size);
        return true;
    }
    return Fail("unknown directive '" + name + "'");
}

}  // namespace

bool ParseDescription(std::string_view text, HistoryPlan& content, DescriptionError& error) {
    content = HistoryPlan{};
    Parser parser(content);
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') {
            continue;
        }
        std::vector<std::string> words;
        std::string splitError;
        if (!SplitLine(line, words, splitError)) {
            error = {lineNumber, splitError};
            return false;
        }
        if (!parser.Directive(words)) {
            error = {lineNumber, parser.error()};
            return false;
        }
    }
    return true;
}

}  // namespace hstgen
