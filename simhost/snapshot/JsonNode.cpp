#include "simhost/snapshot/JsonNode.h"

namespace orvel::sim::snapshot {

void Fail(const std::string& path, const std::string& message) {
    throw SnapshotError(path.empty() ? message : path + ": " + message);
}

std::string MemberPath(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

std::string ElementPath(const std::string& parent, size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

std::string JsonTypeName(const nlohmann::json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::object:
        return "an object";
    case nlohmann::json::value_t::array:
        return "an array";
    case nlohmann::json::value_t::string:
        return "a string";
    case nlohmann::json::value_t::boolean:
        return "a boolean";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
        return "an integer";
    case nlohmann::json::value_t::number_float:
        return "a number";
    default:
        return "an unsupported value";
    }
}

void JsonNode::ExpectObject(std::initializer_list<const char*> allowed) const {
    if (!IsObject()) Fail(m_path, "expected an object, found " + JsonTypeName(*m_value));
    for (const auto& item : m_value->items()) {
        bool known = false;
        for (const char* key : allowed)
            known = known || item.key() == key;
        if (!known) Fail(MemberPath(m_path, item.key()), "unknown key");
    }
}

void JsonNode::ExpectArray() const {
    if (!IsArray()) Fail(m_path, "expected an array, found " + JsonTypeName(*m_value));
}

JsonNode JsonNode::Require(const char* key) const {
    std::optional<JsonNode> found = Find(key);
    if (!found) Fail(MemberPath(m_path, key), "missing");
    return *found;
}

std::optional<JsonNode> JsonNode::Find(const char* key) const {
    if (!IsObject()) Fail(m_path, "expected an object, found " + JsonTypeName(*m_value));
    auto it = m_value->find(key);
    if (it == m_value->end()) return std::nullopt;
    return JsonNode(*it, MemberPath(m_path, key));
}

std::vector<JsonNode> JsonNode::Items() const {
    ExpectArray();
    std::vector<JsonNode> items;
    items.reserve(m_value->size());
    for (size_t i = 0; i < m_value->size(); ++i)
        items.emplace_back((*m_value)[i], ElementPath(m_path, i));
    return items;
}

std::vector<std::pair<std::string, JsonNode>> JsonNode::Members() const {
    if (!IsObject()) Fail(m_path, "expected an object, found " + JsonTypeName(*m_value));
    std::vector<std::pair<std::string, JsonNode>> members;
    for (const auto& item : m_value->items())
        members.emplace_back(item.key(), JsonNode(item.value(), MemberPath(m_path, item.key())));
    return members;
}

std::string JsonNode::String() const {
    if (!IsString()) Fail(m_path, "expected a string, found " + JsonTypeName(*m_value));
    return m_value->get<std::string>();
}

bool JsonNode::Bool() const {
    if (!m_value->is_boolean())
        Fail(m_path, "expected true or false, found " + JsonTypeName(*m_value));
    return m_value->get<bool>();
}

namespace {

// "0x1F" or "-0x10"; nothing for any other text.
std::optional<int64_t> ParseHexText(const std::string& text) {
    size_t start = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        start = 1;
    }
    if (text.size() < start + 3 || text[start] != '0' || (text[start + 1] | 0x20) != 'x')
        return std::nullopt;
    uint64_t value = 0;
    for (size_t i = start + 2; i < text.size(); ++i) {
        const char c = text[i];
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0 || value > (uint64_t{1} << 40)) return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(digit);
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

} // namespace

int64_t JsonNode::Integer(int64_t min, int64_t max) const {
    int64_t value = 0;
    if (m_value->is_number_unsigned()) {
        const uint64_t u = m_value->get<uint64_t>();
        if (u > static_cast<uint64_t>(INT64_MAX))
            Fail(m_path,
                 "integer out of range [" + std::to_string(min) + ", " + std::to_string(max) + "]");
        value = static_cast<int64_t>(u);
    } else if (m_value->is_number_integer()) {
        value = m_value->get<int64_t>();
    } else if (IsString()) {
        std::optional<int64_t> parsed = ParseHexText(m_value->get<std::string>());
        if (!parsed) Fail(m_path, "expected an integer or a \"0x...\" text");
        value = *parsed;
    } else {
        Fail(m_path, "expected an integer, found " + JsonTypeName(*m_value));
    }
    if (value < min || value > max)
        Fail(m_path, "integer " + std::to_string(value) + " out of range [" + std::to_string(min) +
                         ", " + std::to_string(max) + "]");
    return value;
}

double JsonNode::Number() const {
    if (!m_value->is_number()) Fail(m_path, "expected a number, found " + JsonTypeName(*m_value));
    return m_value->get<double>();
}

std::string JsonNode::StringOr(const char* key, std::string fallback) const {
    std::optional<JsonNode> found = Find(key);
    return found ? found->String() : std::move(fallback);
}

bool JsonNode::BoolOr(const char* key, bool fallback) const {
    std::optional<JsonNode> found = Find(key);
    return found ? found->Bool() : fallback;
}

} // namespace orvel::sim::snapshot
