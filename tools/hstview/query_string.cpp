#include "tools/hstview/query_string.h"

namespace hstview {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool Decode(const std::string& text, bool plusIsSpace, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) {
                return false;
            }
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            c = static_cast<char>(high * 16 + low);
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            c = ' ';
        }
        if (c == '\0') {
            return false;
        }
        out += c;
    }
    return true;
}

}  // namespace

ParsedTarget ParseTarget(const std::string& target) {
    ParsedTarget parsed;
    const std::size_t question = target.find('?');
    parsed.valid = Decode(target.substr(0, question), false, parsed.path);
    if (question == std::string::npos) {
        return parsed;
    }
    const std::string query = target.substr(question + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) {
            end = query.size();
        }
        const std::string pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            std::string name;
            std::string value;
            parsed.valid = Decode(pair.substr(0, equals), true, name) && parsed.valid;
            if (equals != std::string::npos) {
                parsed.valid = Decode(pair.substr(equals + 1), true, value) && parsed.valid;
            }
            parsed.query.emplace(std::move(name), std::move(value));
        }
        start = end + 1;
    }
    return parsed;
}

std::optional<std::string> Parameter(const ParsedTarget& target, const std::string& name) {
    const auto range = target.query.equal_range(name);
    if (range.first == range.second) {
        return std::nullopt;
    }
    return std::prev(range.second)->second;
}

}  // namespace hstview
