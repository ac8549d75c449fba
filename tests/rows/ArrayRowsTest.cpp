// The rows of an array enumerator are the rows its elements give one by one, whatever
// the batch size, the layout or the readable memory, and a batch never shows bytes that
// were changed before it was asked for.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "debuginfo/DebugInfoCache.h"
#include "platform/ProcessMemory.h"
#include "rows/CEnumArray.h"
#include "simhost/debuggee/DebuggeeProcess.h"
#include "tests/model/ModelTestSupport.h"

#if !ORVEL_WINDOWS
#include <sys/uio.h>
#endif

namespace {

using orvel::sim::DebuggeeProcess;
using orvel::test::Dim;
using orvel::test::ElementPtr;
using orvel::test::TakeString;

constexpr DebuggeeAddress kStart = 0x1000C000;
constexpr size_t kLength = 0x4000;
constexpr DebuggeeAddress kEnd = kStart + kLength; // the helper's mapping ends here
constexpr DEBUGPROP_INFO_FLAGS kTexts =
    DEBUGPROP_INFO_FULLNAME | DEBUGPROP_INFO_NAME | DEBUGPROP_INFO_TYPE | DEBUGPROP_INFO_VALUE;

// A row's texts as one line: "full name [name] type = value".
std::string Row(const std::string& fullName, const std::string& name, const std::string& type,
                const std::string& value) {
    return fullName + " [" + name + "] " + type + " = " + value;
}

// Doubles 0.25 * i from kStart on, then text bytes.
std::vector<uint8_t> Image() {
    std::vector<uint8_t> bytes(kLength);
    for (size_t i = 0; i < kLength / 2 / sizeof(double); ++i) {
        const double value = 0.25 * static_cast<double>(i);
        std::memcpy(bytes.data() + i * sizeof value, &value, sizeof value);
    }
    for (size_t i = kLength / 2; i < kLength; ++i)
        bytes[i] = static_cast<uint8_t>('A' + i % 26);
    return bytes;
}

struct Shape {
    const char* what;
    ElementType elem;
    int32_t elemSize;
    DebuggeeAddress at;
    std::vector<Dim> dims;
    bool reversed; // the first dimension steps down through memory
};

const Shape kShapes[] = {
    {"column_order", real_8, 8, kStart, {{1, 40}, {0, 9}}, false},
    {"running_off_the_mapping", real_8, 8, kEnd - 8 * 200, {{1, 300}}, false},
    {"straddling_the_end", real_8, 8, kEnd - 4 - 8 * 50, {{1, 60}}, false},
    {"reversed_layout", real_8, 8, kStart + 8 * 249, {{-5, 244}}, true},
    {"characters", string, 5, kStart + kLength / 2, {{1, 50}, {2, 3}}, false},
    {"integers", integer_4, 4, kStart + 4, {{-2, 2}, {1, 3}, {1, 2}}, false},
};

// The shape as the compiler's records describe it; reversed makes the first
// dimension's stride -1.
void ApplyShape(ArrayDesc& desc, const Shape& shape) {
    desc.Clear();
    desc.ElemSize = shape.elemSize;
    uint32_t stride = 1;
    uint32_t multiplier = 1;
    int i = 0;
    for (const Dim& d : shape.dims) {
        const uint32_t extent = static_cast<uint32_t>(d.upper - d.lower + 1);
        desc.Lower[i] = d.lower;
        desc.Upper[i] = d.upper;
        desc.BoundSizes[i] = static_cast<int32_t>(extent);
        desc.Stride[i] = static_cast<int32_t>(stride);
        desc.Multiplier[i] = multiplier;
        stride *= extent;
        multiplier *= extent;
        ++i;
    }
    if (shape.reversed) desc.Stride[0] = -1;
    desc.Rank = static_cast<int8_t>(i);
}

class ArrayRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CacheClear();
        std::string error;
        m_helper = DebuggeeProcess::Start({{kStart, Image()}}, &error);
        ASSERT_NE(nullptr, m_helper) << error;
        SetDebuggeeProcessHandle(OpenProcess(PROCESS_VM_READ, FALSE, m_helper->Pid()));
        ASSERT_NE(nullptr, DebuggeeProcessHandle());
    }
    void TearDown() override { CacheClear(); }

    static ElementPtr ArrayOf(const Shape& shape) {
        ElementPtr a = orvel::test::NewElement();
        a->SetType(shape.elem);
        a->PushType(array);
        a->Address = shape.at;
        a->Flags |= AddressKnown;
        a->SetName("A", "A");
        ApplyShape(a->Array, shape);
        return a;
    }

    // What each element shows on its own, made outside any enumerator.
    static std::vector<std::string> ElementByElement(Element& a) {
        std::vector<std::string> rows;
        for (uint32_t i = 0; i < a.ChildCount(); ++i) {
            ElementPtr child = ElementPtr::Adopt(a.GetChild(i));
            char subscripts[64];
            a.Array.SubscriptText(i, subscripts, sizeof subscripts);
            BSTR type = nullptr;
            child->GetTypeDeclaration(&type);
            rows.push_back(Row(std::string("A") + subscripts, subscripts, TakeString(type),
                               orvel::test::PrintOf(*child)));
        }
        return rows;
    }

    static std::vector<std::string> Enumerated(Element& a, ULONG batch) {
        orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
        EXPECT_EQ(S_OK, CEnumArray::Create(&a, kTexts, rows.put()));
        std::vector<std::string> out;
        std::vector<DEBUG_PROPERTY_INFO> infos(batch);
        for (ULONG fetched = batch; fetched == batch;) {
            fetched = 0;
            EXPECT_EQ(S_OK, rows->Next(batch, infos.data(), &fetched));
            for (ULONG i = 0; i < fetched; ++i) {
                out.push_back(Row(TakeString(infos[i].bstrFullName), TakeString(infos[i].bstrName),
                                  TakeString(infos[i].bstrType), TakeString(infos[i].bstrValue)));
            }
        }
        return out;
    }

    std::unique_ptr<DebuggeeProcess> m_helper;
};

TEST_F(ArrayRowsTest, RowsAreWhatEachElementShowsInAnyBatchSize) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        ElementPtr a = ArrayOf(shape);
        const std::vector<std::string> expected = ElementByElement(*a);
        ASSERT_FALSE(expected.empty());
        for (ULONG batch : {1u, 7u, 100u, 1000u}) {
            SCOPED_TRACE(batch);
            EXPECT_EQ(expected, Enumerated(*a, batch));
        }
    }
}

// A write the module does not see, as a host or the debuggee itself would make.
bool WriteBehindTheModule(DWORD pid, DebuggeeAddress at, double value) {
#if ORVEL_WINDOWS
    HANDLE process = OpenProcess(PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, pid);
    SIZE_T written = 0;
    const bool ok = process && WriteProcessMemory(process, reinterpret_cast<LPVOID>(uintptr_t{at}),
                                                  &value, sizeof value, &written);
    if (process) CloseHandle(process);
    return ok && written == sizeof value;
#else
    iovec local{&value, sizeof value};
    iovec remote{reinterpret_cast<void*>(uintptr_t{at}), sizeof value};
    return process_vm_writev(static_cast<pid_t>(pid), &local, 1, &remote, 1, 0) ==
           static_cast<ssize_t>(sizeof value);
#endif
}

TEST_F(ArrayRowsTest, ABatchShowsWhatWasWrittenBeforeItWasAskedFor) {
    ElementPtr a = ArrayOf({"plain", real_8, 8, kStart, {{1, 200}}, false});
    orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
    ASSERT_EQ(S_OK, CEnumArray::Create(a.get(), DEBUGPROP_INFO_VALUE, rows.put()));
    const auto nextValues = [&rows] {
        DEBUG_PROPERTY_INFO infos[100] = {};
        ULONG fetched = 0;
        EXPECT_EQ(S_OK, rows->Next(100, infos, &fetched));
        std::vector<std::string> values;
        for (ULONG i = 0; i < fetched; ++i)
            values.push_back(TakeString(infos[i].bstrValue));
        return values;
    };
    std::vector<std::string> values = nextValues();
    ASSERT_EQ(100u, values.size());
    EXPECT_EQ("24.75", values[99]);

    // Element 151 behind the module's back, element 161 through it.
    ASSERT_TRUE(WriteBehindTheModule(m_helper->Pid(), kStart + 150 * 8, 1234.5));
    const double counted = -8.5;
    ASSERT_TRUE(m_helper->Write(kStart + 160 * 8, &counted, sizeof counted));
    values = nextValues();
    ASSERT_EQ(100u, values.size());
    EXPECT_EQ("25", values[0]);
    EXPECT_EQ("1234.5", values[50]);
    EXPECT_EQ("-8.5", values[60]);
}

} // namespace
