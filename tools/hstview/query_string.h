// The parameters of a request's query ("a=1&b=x%20y"), decoded.
#pragma once

#include <iterator>
#include <map>
#include <optional>
#include <string>

namespace hstview {

struct ParsedTarget {
    std::string path;  // decoded
    std::multimap<std::string, std::string> query;
    bool valid = true;  // false for a malformed escape or a NUL
};

ParsedTarget ParseTarget(const std::string& target);

// The parameter's last value, if given.
std::optional<std::string> Parameter(const ParsedTarget& target, const std::string& name);

}  // namespace hstview
