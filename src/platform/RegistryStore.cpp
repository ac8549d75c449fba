#include "platform/RegistryStore.h"

#if !ORVEL_WINDOWS
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Utf8.h"
#include "platform/Win32Error.h"

// The file, UTF-8 text, one record a line, fields separated by tabs:
//
//   ORVEL-REGISTRY  1
//   K  HKEY_CLASSES_ROOT\CLSID\{...}          a key (every key, parents first)
//   V  name  type  data                      a value of the key above
//
// The value's data is "s:" and its text for strings (the terminating NUL left out),
// "d:" or "q:" and a decimal number for 4- and 8-byte numbers, and "x:" and hex digits
// for anything else, strings included whose bytes are not valid UTF-16 ending in a NUL.
// In names and texts, "%", tab, CR, LF and NUL are written as %XX.

namespace orvel {
namespace {

constexpr const char* kHeader = "ORVEL-REGISTRY\t1";
constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                      "HKEY_LOCAL_MACHINE"};
static_assert(std::size(kRootNames) == kRegistryRootCount, "a name for every root");

// A file larger than this is not ours.
constexpr std::streamoff kMaxFileSize = 16 << 20;

char16_t FoldCase(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

void AddAlwaysPresentKeys(RegistryTree& tree) {
    if (!tree.roots[kClassesRoot].FindSubkey(u"CLSID"))
        tree.roots[kClassesRoot].AddSubkey(u"CLSID");
}

// --- Writing ---------------------------------------------------------------------------

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == '\0') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string UnitsOf(const std::vector<uint8_t>& data) {
    std::u16string units(data.size() / 2, u'\0');
    if (!units.empty()) std::memcpy(&units[0], data.data(), units.size() * 2);
    return units;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string EncodeData(const RegistryValue& value) {
    const std::vector<uint8_t>& data = value.data;
    if (IsStringType(value.type) && data.size() % 2 == 0 && data.size() >= 2 &&
        data[data.size() - 1] == 0 && data[data.size() - 2] == 0) {
        std::u16string units = UnitsOf(data);
        units.pop_back();
        bool lossy = false;
        const std::string text = Utf16ToUtf8(units, &lossy);
        if (!lossy) return "s:" + Escape(text);
    }
    if ((value.type == REG_DWORD && data.size() == 4) ||
        (value.type == REG_QWORD && data.size() == 8)) {
        uint64_t number = 0;
        for (size_t i = data.size(); i-- > 0;)
            number = (number << 8) | data[i];
        return (data.size() == 4 ? "d:" : "q:") + std::to_string(number);
    }
    std::string hex = "x:";
    for (uint8_t byte : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

void WriteKey(std::ostream& out, const std::string& path, const RegistryKey& key) {
    out << "K\t" << path << '\n';
    for (const RegistryValue& value : key.values)
        out << "V\t" << Escape(Utf16ToUtf8(value.name)) << '\t' << value.type << '\t'
            << EncodeData(value) << '\n';
    for (const auto& subkey : key.subkeys)
        WriteKey(out, path + '\\' + Escape(Utf16ToUtf8(subkey->name)), *subkey);
}

// mkdir -p of the directory part of path.
void MakeParents(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// --- Reading ---------------------------------------------------------------------------

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        *out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// UTF-8 text (escaped) to wide text; false for bad escapes or bad UTF-8.
bool DecodeName(std::string_view field, std::u16string* name) {
    std::string text;
    if (!Unescape(field, &text)) return false;
    bool lossy = false;
    *name = Utf8ToUtf16(text, &lossy);
    return !lossy;
}

bool ParseDecimal(std::string_view text, uint64_t limit, uint64_t* number) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *number = value;
    return true;
}

bool DecodeData(std::string_view field, std::vector<uint8_t>* data) {
    data->clear();
    if (field.size() < 2 || field[1] != ':') return false;
    const std::string_view body = field.substr(2);
    uint64_t number = 0;
    switch (field[0]) {
    case 's': {
        std::u16string text;
        if (!DecodeName(body, &text)) return false;
        text += u'\0';
        data->resize(text.size() * 2);
        std::memcpy(data->data(), text.data(), data->size());
        return true;
    }
    case 'd':
    case 'q': {
        const bool dword = field[0] == 'd';
        if (!ParseDecimal(body, dword ? 0xFFFFFFFFull : ~0ull, &number)) return false;
        for (int i = 0; i < (dword ? 4 : 8); ++i)
            data->push_back(static_cast<uint8_t>(number >> (8 * i)));
        return true;
    }
    case 'x':
        if (body.size() % 2 != 0) return false;
        for (size_t i = 0; i < body.size(); i += 2) {
            const int high = HexDigit(body[i]);
            const int low = HexDigit(body[i + 1]);
            if (high < 0 || low < 0) return false;
            data->push_back(static_cast<uint8_t>(high * 16 + low));
        }
        return true;
    default:
        return false;
    }
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// "ROOT\a\b": the root's key with the path's keys made as needed; null when malformed.
RegistryKey* KeyForPath(RegistryTree& tree, std::string_view path) {
    const size_t rootEnd = path.find('\\');
    const std::string_view rootName = path.substr(0, rootEnd);
    RegistryKey* key = nullptr;
    for (int root = 0; root < kRegistryRootCount; ++root)
        if (rootName == kRootNames[root]) key = &tree.roots[root];
    if (!key) return nullptr;
    size_t start = rootEnd;
    while (start != std::string_view::npos) {
        const size_t end = path.find('\\', start + 1);
        const std::string_view part =
            path.substr(start + 1, end == std::string_view::npos ? path.npos : end - start - 1);
        std::u16string name;
        if (part.empty() || !DecodeName(part, &name)) return nullptr;
        RegistryKey* child = key->FindSubkey(name);
        key = child ? child : key->AddSubkey(name);
        start = end;
    }
    return key;
}

bool ParseRegistry(const std::string& text, RegistryTree& tree) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return true; // empty file: empty registry
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line != kHeader) return false;
    RegistryKey* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields[0] == "K" && fields.size() == 2) {
            current = KeyForPath(tree, fields[1]);
            if (!current) return false;
        } else if (fields[0] == "V" && fields.size() == 4 && current) {
            RegistryValue value;
            uint64_t type = 0;
            if (!DecodeName(fields[1], &value.name) ||
                !ParseDecimal(fields[2], 0xFFFFFFFFu, &type) || !DecodeData(fields[3], &value.data))
                return false;
            value.type = static_cast<DWORD>(type);
            if (RegistryValue* existing = current->FindValue(value.name))
                *existing = std::move(value);
            else
                current->values.push_back(std::move(value));
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

bool SameRegistryName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

RegistryKey* RegistryKey::FindSubkey(std::u16string_view subName) const {
    for (const auto& subkey : subkeys)
        if (SameRegistryName(subkey->name, subName)) return subkey.get();
    return nullptr;
}

RegistryValue* RegistryKey::FindValue(std::u16string_view valueName) {
    for (RegistryValue& value : values)
        if (SameRegistryName(value.name, valueName)) return &value;
    return nullptr;
}

RegistryKey* RegistryKey::AddSubkey(std::u16string_view subName) {
    subkeys.push_back(std::make_unique<RegistryKey>());
    subkeys.back()->name = std::u16string(subName);
    return subkeys.back().get();
}

bool RegistryKey::RemoveSubkey(const RegistryKey* subkey) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
        if (it->get() == subkey) {
            subkeys.erase(it);
            return true;
        }
    }
    return false;
}

RegistryTree LoadRegistry(const std::string& path) {
    RegistryTree tree;
    std::ifstream in(path, std::ios::binary);
    if (in) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size > 0 && size <= kMaxFileSize) {
            std::string text(static_cast<size_t>(size), '\0');
            if (in.read(&text[0], size) && !ParseRegistry(text, tree)) tree = RegistryTree();
        }
    }
    AddAlwaysPresentKeys(tree);
    return tree;
}

LONG SaveRegistry(const std::string& path, const RegistryTree& tree) {
    std::ostringstream out;
    out << kHeader << '\n';
    for (int root = 0; root < kRegistryRootCount; ++root)
        WriteKey(out, kRootNames[root], tree.roots[root]);

    MakeParents(path);
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) return Win32ErrorFromErrno(errno);
    const bool written = WriteAll(fd, out.str()) && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

} // namespace orvel
#endif // !ORVEL_WINDOWS
