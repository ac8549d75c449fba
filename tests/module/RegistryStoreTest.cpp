// The registry functions the module relies on. The first part holds on every platform
// (on Windows it checks our expectations of the real registry, elsewhere our store);
// the second is about the store's file.
#include "ModuleTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if !ORVEL_WINDOWS
#include <sys/stat.h>
#endif

namespace {

using namespace orvel::test;
using Bytes = std::vector<uint8_t>;
using WideString = std::basic_string<OLECHAR>;

const std::string kBase = "Software\\OrvelStoreTest";

Bytes BytesOf(const WideString& text, bool withNul = true) {
    const size_t units = text.size() + (withNul ? 1 : 0);
    Bytes bytes(units * sizeof(OLECHAR));
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

Bytes Number(uint64_t value, int width) {
    Bytes bytes;
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

// Closes the key it holds when it goes.
class Key {
public:
    Key() = default;
    ~Key() { Close(); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* put() {
        Close();
        return &m_key;
    }
    HKEY get() const { return m_key; }
    LONG Close() {
        const LONG rc = m_key ? RegCloseKey(m_key) : ERROR_SUCCESS;
        m_key = nullptr;
        return rc;
    }

private:
    HKEY m_key = nullptr;
};

LONG Create(HKEY root, const std::string& path, Key& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, key.put(), disposition);
}

LONG Open(HKEY root, const std::string& path, Key& key) {
    return RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_ALL_ACCESS, key.put());
}

LONG Set(HKEY key, const char* name, DWORD type, const Bytes& data) {
    const WideString wideName = name ? Wide(name) : WideString();
    return RegSetValueExW(key, name ? wideName.c_str() : nullptr, 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

// The value's type and bytes, or the failure.
LONG Get(HKEY key, const char* name, DWORD* type, Bytes* data) {
    const WideString wideName = name ? Wide(name) : WideString();
    DWORD size = 0;
    LONG rc =
        RegQueryValueExW(key, name ? wideName.c_str() : nullptr, nullptr, type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    data->assign(size, 0);
    return RegQueryValueExW(key, name ? wideName.c_str() : nullptr, nullptr, type, data->data(),
                            &size);
}

class RegistryTest : public ::testing::Test {
protected:
    ScopedTestRegistry registry_;
};

// --- Keys ---------------------------------------------------------------------------------

TEST_F(RegistryTest, CreateMakesParentsAndTellsWhetherKeyIsNew) {
    Key key;
    DWORD disposition = 0;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\A\\B", key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\A"));
    Key again;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\A\\B", again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
}

TEST_F(RegistryTest, OpenOfMissingKeyFails) {
    Key key;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, kBase + "\\Missing", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.get(), nullptr);
}

TEST_F(RegistryTest, KeyNamesIgnoreLetterCase) {
    Key created;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\MiXeD\\Case", created), ERROR_SUCCESS);
    Key opened;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\orvelstoretest\\mixed\\CASE", opened),
              ERROR_SUCCESS);
}

TEST_F(RegistryTest, OpenedKeySeesChangesMadeThroughAnotherHandle) {
    Key first;
    Key second;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, first), ERROR_SUCCESS);
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, kBase, second), ERROR_SUCCESS);
    ASSERT_EQ(Set(first.get(), "Shared", REG_DWORD, Number(7, 4)), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(Get(second.get(), "Shared", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, Number(7, 4));
}

// --- Deleting -----------------------------------------------------------------------------

TEST_F(RegistryTest, DeleteKeyRefusesKeyWithSubkeys) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Parent\\Child", key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Parent").c_str()),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Parent\\Child").c_str()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Parent").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Parent"));
}

TEST_F(RegistryTest, DeleteTreeRemovesKeyWithEverythingBelow) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Tree\\A\\B", key), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.get(), "Value", REG_DWORD, Number(1, 4)), ERROR_SUCCESS);
    Key sibling;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Sibling", sibling), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Tree").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Tree"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Sibling"));
}

TEST_F(RegistryTest, DeleteTreeWithoutSubkeyEmptiesKeyAndKeepsIt) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Emptied\\Child", key), ERROR_SUCCESS);
    Key emptied;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, kBase + "\\Emptied", emptied), ERROR_SUCCESS);
    ASSERT_EQ(Set(emptied.get(), "Value", REG_DWORD, Number(1, 4)), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(emptied.get(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Emptied"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Emptied\\Child"));
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(Get(emptied.get(), "Value", &type, &data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeletingMissingKeyFails) {
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Nowhere").c_str()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Nowhere").c_str()),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, HandleOfDeletedKeyReportsIt) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Doomed", key), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(kBase + "\\Doomed").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(Set(key.get(), "Value", REG_DWORD, Number(1, 4)), ERROR_KEY_DELETED);
    Key child;
    EXPECT_EQ(Create(key.get(), "Child", child), ERROR_KEY_DELETED);
}

TEST_F(RegistryTest, DeleteValueRemovesOnlyThatValue) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, key), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.get(), "Gone", REG_DWORD, Number(1, 4)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key.get(), "Kept", REG_DWORD, Number(2, 4)), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key.get(), Wide("gone").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key.get(), Wide("Gone").c_str()), ERROR_FILE_NOT_FOUND);
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(Get(key.get(), "Kept", &type, &data), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ClosingTwiceIsAnInvalidHandle) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, key), ERROR_SUCCESS);
    const HKEY handle = key.get();
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
}

// --- Values -------------------------------------------------------------------------------

struct ValueCase {
    const char* name;
    const char* valueName;
    DWORD type;
    Bytes data;
};

class RegistryValueTest : public RegistryTest, public ::testing::WithParamInterface<ValueCase> {};

// Each value is read back through a new handle, so it has been through the store.
TEST_P(RegistryValueTest, ReadsBackTypeAndBytes) {
    const ValueCase& c = GetParam();
    {
        Key key;
        ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Values", key), ERROR_SUCCESS);
        ASSERT_EQ(Set(key.get(), c.valueName, c.type, c.data), ERROR_SUCCESS);
    }
    Key key;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, kBase + "\\Values", key), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(Get(key.get(), c.valueName, &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(data, c.data);
}

Bytes AllBytes() {
    Bytes bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<uint8_t>(i));
    return bytes;
}

const ValueCase kValueCases[] = {
    {"Text", "ThreadingModel", REG_SZ, BytesOf(Wide("both"))},
    {"DefaultValue", nullptr, REG_SZ, BytesOf(Wide("Orvel Expression Evaluator"))},
    {"EmptyText", "Empty", REG_SZ, BytesOf(Wide(""))},
    {"NonAsciiText", "Name", REG_SZ, BytesOf(Wide("unzulässig €, \xF0\x9F\x98\x80"))},
    {"TextWithTabsBreaksAndPercent", "Odd\tName%", REG_SZ, BytesOf(Wide("a\tb\nc\r%25 100%"))},
    {"PathWithBackslashes", "path", REG_SZ, BytesOf(Wide("C:\\Program Files\\Orvel\\1031"))},
    {"ExpandableText", "Expand", REG_EXPAND_SZ, BytesOf(Wide("%SystemRoot%\\x"))},
    {"MultiText", "Multi", REG_MULTI_SZ, BytesOf(Wide(std::string("one\0two\0", 8)))},
    {"Dword", "Count", REG_DWORD, Number(0xDEADBEEF, 4)},
    {"Qword", "Big", REG_QWORD, Number(0xFEDCBA9876543210ull, 8)},
    {"Binary", "Blob", REG_BINARY, AllBytes()},
    {"EmptyBinary", "Nothing", REG_BINARY, {}},
};

INSTANTIATE_TEST_SUITE_P(Types, RegistryValueTest, ::testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A text counted without its terminator is stored as counted while the character after the
// count is not a NUL. Windows counts a NUL that follows in the caller's buffer as the
// forgotten terminator, so what lies past the count decides: a heap buffer's next bytes
// are whatever they are, and only a buffer that fixes them gives one answer.
TEST_F(RegistryTest, TextCountedWithoutNulKeepsItsCount) {
    const Bytes buffer = BytesOf(Wide("bareX"));
    const Bytes counted(buffer.begin(), buffer.begin() + 4 * sizeof(OLECHAR));
    const WideString name = Wide("Bare");
    {
        Key key;
        ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase + "\\Values", key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, buffer.data(),
                                 static_cast<DWORD>(counted.size())),
                  ERROR_SUCCESS);
    }
    Key key;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, kBase + "\\Values", key), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(Get(key.get(), "Bare", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, counted);
}

TEST_F(RegistryTest, QueryTellsSizeAndRefusesSmallBuffer) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, key), ERROR_SUCCESS);
    const Bytes text = BytesOf(Wide("both"));
    ASSERT_EQ(Set(key.get(), "ThreadingModel", REG_SZ, text), ERROR_SUCCESS);
    const WideString name = Wide("ThreadingModel");

    DWORD size = 0;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    Bytes small(text.size() - 1, 0xCC);
    size = static_cast<DWORD>(small.size());
    EXPECT_EQ(RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, small.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, text.size());
}

TEST_F(RegistryTest, MissingValueIsNotFound) {
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, kBase, key), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(Get(key.get(), "Missing", &type, &data), ERROR_FILE_NOT_FOUND);
    // A key's default value exists only once set.
    EXPECT_EQ(Get(key.get(), nullptr, &type, &data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, NarrowFunctionsTakeTheSameKeysAndText) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kBase + "\\Narrow").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char text[] = "both";
    EXPECT_EQ(RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             sizeof text),
              ERROR_SUCCESS);
    char back[16] = {};
    DWORD size = sizeof back;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "ThreadingModel", nullptr, &type,
                               reinterpret_cast<LPBYTE>(back), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(back, "both");
    RegCloseKey(key);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBase + "\\Narrow", "ThreadingModel"), Wide("both"));
}

#if !ORVEL_WINDOWS
// --- The store's file ------------------------------------------------------------------------

TEST(RegistryStorePath, FollowsEnvironment) {
    {
        ScopedEnv chosen("ORVEL_EE_REGISTRY", "/somewhere/registry.txt");
        EXPECT_EQ(orvel::RegistryStorePath(), "/somewhere/registry.txt");
    }
    ScopedEnv unset("ORVEL_EE_REGISTRY", std::nullopt);
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/config");
        EXPECT_EQ(orvel::RegistryStorePath(), "/config/orvel-ee/registry");
    }
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(orvel::RegistryStorePath(), "/home/someone/.config/orvel-ee/registry");
}

class RegistryFileTest : public RegistryTest {
protected:
    fs::path File() const { return registry_.file(); }
};

TEST_F(RegistryFileTest, ReadingCreatesNothing) {
    fs::remove(File());
    fs::remove(File().string() + ".lock");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBase));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, "CLSID", nullptr), std::nullopt);
    EXPECT_TRUE(fs::is_empty(File().parent_path()));
}

TEST_F(RegistryFileTest, WritesReadableLines) {
    WriteText(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "ThreadingModel", Wide("both"));
    const std::string text = ReadFile(File());
    EXPECT_EQ(text.rfind("ORVEL-REGISTRY\t1\n", 0), 0u) << text;
    EXPECT_NE(text.find("K\tHKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32\n"
                        "V\tThreadingModel\t1\ts:both\n"),
              std::string::npos)
        << text;
}

// A change replaces the file with a new one: a reader that has the old file open still
// reads all of it, and no temporary file is left behind.
TEST_F(RegistryFileTest, ChangesReplaceFileWhole) {
    WriteText(HKEY_LOCAL_MACHINE, kBase, "First", Wide("one"));
    const std::string before = ReadFile(File());
    std::ifstream oldReader(File(), std::ios::binary);
    struct stat oldInfo;
    ASSERT_EQ(stat(File().c_str(), &oldInfo), 0);

    WriteText(HKEY_LOCAL_MACHINE, kBase, "Second", Wide(std::string(100000, 'x')));
    struct stat newInfo;
    ASSERT_EQ(stat(File().c_str(), &newInfo), 0);
    EXPECT_NE(oldInfo.st_ino, newInfo.st_ino);
    const std::string oldText((std::istreambuf_iterator<char>(oldReader)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(oldText, before);

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(File().parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry", "registry.lock"}));
}

TEST_F(RegistryFileTest, WeirdNamesSurviveTheFile) {
    const std::string key = kBase + "\\tab\there\\new\nline\\per%cent";
    WriteText(HKEY_LOCAL_MACHINE, key, "value\twith\ntab%", Wide("x"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, key, "value\twith\ntab%"), Wide("x"));
}

TEST_F(RegistryFileTest, MakesStoreDirectory) {
    TempDir dir;
    ScopedEnv nested("ORVEL_EE_REGISTRY", (dir.path() / "a" / "b" / "registry").string());
    WriteText(HKEY_LOCAL_MACHINE, kBase, "Value", Wide("x"));
    EXPECT_TRUE(fs::exists(dir.path() / "a" / "b" / "registry"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBase, "Value"), Wide("x"));
}

struct CorruptCase {
    const char* name;
    std::string text;
};

class CorruptRegistryFileTest : public RegistryFileTest,
                                public ::testing::WithParamInterface<CorruptCase> {};

// The good key in each text is not seen: a file that is not entirely well formed is
// no registry at all. The next change writes a good file over it.
TEST_P(CorruptRegistryFileTest, ReadsAsEmptyAndIsReplaced) {
    WriteFile(File(), GetParam().text);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Good"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    WriteText(HKEY_LOCAL_MACHINE, kBase, "Value", Wide("x"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBase, "Value"), Wide("x"));
    EXPECT_EQ(ReadFile(File()).rfind("ORVEL-REGISTRY\t1\n", 0), 0u);
}

const std::string kGood = "ORVEL-REGISTRY\t1\nK\tHKEY_LOCAL_MACHINE\\Good\n";

const CorruptCase kCorruptCases[] = {
    {"NotOurs", "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Good]\n"},
    {"OtherVersion", "ORVEL-REGISTRY\t2\nK\tHKEY_LOCAL_MACHINE\\Good\n"},
    {"UnknownRoot", kGood + "K\tHKEY_USERS\\x\n"},
    {"EmptyKeyName", kGood + "K\tHKEY_LOCAL_MACHINE\\a\\\\b\n"},
    {"ValueBeforeAnyKey", "ORVEL-REGISTRY\t1\nV\tx\t1\ts:y\nK\tHKEY_LOCAL_MACHINE\\Good\n"},
    {"MissingField", kGood + "V\tx\t1\n"},
    {"ExtraField", kGood + "V\tx\t1\ts:y\tz\n"},
    {"BadEscape", kGood + "V\tx%G1\t1\ts:y\n"},
    {"CutEscape", kGood + "V\tx\t1\ts:y%4\n"},
    {"TypeNotNumber", kGood + "V\tx\tsz\ts:y\n"},
    {"DwordTooBig", kGood + "V\tx\t4\td:4294967296\n"},
    {"DwordNotNumber", kGood + "V\tx\t4\td:12a\n"},
    {"OddHex", kGood + "V\tx\t3\tx:abc\n"},
    {"BadHexDigit", kGood + "V\tx\t3\tx:zz\n"},
    {"UnknownDataKind", kGood + "V\tx\t1\tw:y\n"},
    {"BadUtf8", kGood + "V\tx\t1\ts:\xC3\x28\n"},
    {"UnknownRecord", kGood + "Q\tx\n"},
    {"BinaryJunk",
     std::string("ORVEL-REGISTRY\t1\n\0\0\xFF\xFE", 21) + "K\tHKEY_LOCAL_MACHINE\\Good\n"},
};

INSTANTIATE_TEST_SUITE_P(Texts, CorruptRegistryFileTest, ::testing::ValuesIn(kCorruptCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryFileTest, HandWrittenFileIsRead) {
    WriteFile(File(), "ORVEL-REGISTRY\t1\r\n"
                      "# written by hand\r\n"
                      "\r\n"
                      "K\tHKEY_CLASSES_ROOT\\CLSID\\{X}\\SatelliteDll\r\n"
                      "V\tpath\t1\ts:/opt/orvel/lang\r\n"
                      "V\tCount\t4\td:42\r\n"
                      "V\tBlob\t3\tx:00ff10\r\n");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, "CLSID\\{X}\\SatelliteDll", "path"),
              Wide("/opt/orvel/lang"));
    Key key;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "CLSID\\{X}\\SatelliteDll", key), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(Get(key.get(), "Count", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, Number(42, 4));
    ASSERT_EQ(Get(key.get(), "Blob", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{0x00, 0xFF, 0x10}));
}

TEST_F(RegistryFileTest, BadPathsAreRefused) {
    Key key;
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, "\\Leading", key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, "a\\\\b", key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, std::string(256, 'k'), key), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(File()));
}
#endif

} // namespace
