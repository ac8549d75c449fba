// A JSON value together with its path in the snapshot ("routines[0].locals[3]"), so
// that every complaint about a snapshot names the place it is about.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace orvel::sim::snapshot {

// The loader reports a malformed snapshot by throwing this from deep inside the
// checks; LoadSnapshot catches it and turns it into the error text, so no partial
// program ever escapes.
class SnapshotError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws "path: message" (just the message when the path is empty).
[[noreturn]] void Fail(const std::string& path, const std::string& message);

// "a.b", "a[3]": the path of a member or an element below parent.
std::string MemberPath(const std::string& parent, const std::string& key);
std::string ElementPath(const std::string& parent, size_t index);

class JsonNode {
public:
    JsonNode(const nlohmann::json& value, std::string path)
        : m_value(&value), m_path(std::move(path)) {}

    const nlohmann::json& Value() const { return *m_value; }
    const std::string& Path() const { return m_path; }

    bool IsNull() const { return m_value->is_null(); }
    bool IsString() const { return m_value->is_string(); }
    bool IsArray() const { return m_value->is_array(); }
    bool IsObject() const { return m_value->is_object(); }

    // An object whose keys are all among allowed; anything else fails.
    void ExpectObject(std::initializer_list<const char*> allowed) const;
    void ExpectArray() const;

    // Members: Require fails when the key is missing, Find gives nothing.
    JsonNode Require(const char* key) const;
    std::optional<JsonNode> Find(const char* key) const;
    // Elements of an array (fails on anything else), with their paths.
    std::vector<JsonNode> Items() const;
    // Members of an object in document order, with their paths.
    std::vector<std::pair<std::string, JsonNode>> Members() const;

    std::string String() const;
    bool Bool() const;
    // An integer in [min, max]; a JSON integer or a "0x..." hex string.
    int64_t Integer(int64_t min, int64_t max) const;
    double Number() const;

    // Typed optional members with a default.
    std::string StringOr(const char* key, std::string fallback) const;
    bool BoolOr(const char* key, bool fallback) const;

private:
    const nlohmann::json* m_value;
    std::string m_path;
};

// The JSON type of a value in words, for messages ("a string", "an array").
std::string JsonTypeName(const nlohmann::json& value);

} // namespace orvel::sim::snapshot
