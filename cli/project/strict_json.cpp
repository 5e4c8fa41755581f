#include "project/strict_json.h"

#include <set>
#include <vector>

#include "cli_error.h"
#include "project/json_location.h"

namespace pwcli {
namespace {

using json = nlohmann::json;

struct Container {
    bool object = false;
    std::multiset<std::string> keys;
    std::string key;  // the member being read
};

std::vector<std::string> PathOf(const std::vector<Container>& stack)
{
    std::vector<std::string> path;
    for (const Container& c : stack)
        if (c.object && !c.key.empty()) path.push_back(c.key);
    return path;
}

}  // namespace

json ParseJsonStrict(const std::string& text, const std::string& fileName)
{
    std::vector<Container> stack;
    const json::parser_callback_t watch = [&](int, json::parse_event_t event, json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start: stack.push_back(Container{true, {}, {}}); break;
        case json::parse_event_t::array_start: stack.push_back(Container{false, {}, {}}); break;
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (!stack.empty()) stack.pop_back();
            break;
        case json::parse_event_t::key: {
            Container& top = stack.back();
            const std::string key = parsed.get<std::string>();
            const std::size_t before = top.keys.count(key);
            top.keys.insert(key);
            top.key = key;
            if (before) {
                const std::vector<std::string> path = PathOf(stack);
                const int first = LineOfKey(text, path);
                UsageError(fileName + ": " + Where(text, path, static_cast<int>(before)) + ": \"" + key +
                           "\" is given twice in one object" +
                           (first ? " (first on line " + std::to_string(first) + ")" : ""));
            }
            break;
        }
        case json::parse_event_t::value: break;
        }
        return true;
    };
    try {
        return json::parse(text, watch);
    } catch (const json::parse_error& e) {
        // The parser's text already names line and column: "... parse error at line 2, column 13: ...".
        const std::string what = e.what();
        const auto at = what.find("parse error ");
        UsageError(fileName + ": not valid JSON " + (at == std::string::npos ? what : what.substr(at + 12)));
    } catch (const json::out_of_range& e) {
        const std::string what = e.what();
        const auto open = what.find('\''), close = what.rfind('\'');
        const std::string number = open != std::string::npos && close > open ? what.substr(open + 1, close - open - 1) : "";
        const std::vector<std::string> path = PathOf(stack);
        UsageError(fileName + ": " + (path.empty() ? "" : Where(text, path) + ": ") + "the number " + number +
                   " is too large (numbers go up to about 1.8e308)");
    } catch (const json::exception& e) {
        const std::vector<std::string> path = PathOf(stack);
        UsageError(fileName + ": " + (path.empty() ? "" : Where(text, path) + ": ") + "cannot read this JSON");
    }
}

}  // namespace pwcli
