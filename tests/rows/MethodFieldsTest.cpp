// The joined field enumeration of a method: the global container's members, then the
// parameters, then the locals, walked, skipped across their borders, rewound and cloned.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../frontend/WatchSession.h"
#include "platform/Bstr.h"
#include "rows/CEnumMethodField.h"

namespace {

using orvel::ComPtr;

class MethodFields : public orvel::test::WatchSession {
protected:
    // The three sources of the stop routine, and the joined enumeration over them.
    ComPtr<IEnumDebugFields> Joined(bool withMembers) {
        ComPtr<IDebugContainerField> container;
        EXPECT_EQ(m_provider->GetContainerField(m_stop.get(), container.put()), S_OK);
        ComPtr<IDebugMethodField> method;
        EXPECT_EQ(container.As(IID_IDebugMethodField, method), S_OK);
        ComPtr<IDebugClassField> global;
        ComPtr<IEnumDebugFields> parameters;
        ComPtr<IEnumDebugFields> locals;
        if (withMembers) method->GetGlobalContainer(global.put());
        method->EnumParameters(parameters.put());
        method->EnumLocals(m_stop.get(), locals.put());
        ComPtr<IEnumDebugFields> joined;
        EXPECT_EQ(
            CEnumMethodField::Create(global.get(), parameters.get(), locals.get(), joined.put()),
            S_OK);
        return joined;
    }

    static std::vector<std::string> Names(IEnumDebugFields* fields, ULONG batch, HRESULT* last) {
        std::vector<std::string> names;
        std::vector<IDebugField*> slots(batch);
        for (;;) {
            ULONG fetched = 0;
            *last = fields->Next(batch, slots.data(), &fetched);
            for (ULONG i = 0; i < fetched; ++i) {
                FIELD_INFO info{};
                slots[i]->GetInfo(FIF_NAME, &info);
                names.push_back(orvel::test::Utf8(info.bstrName));
                SysFreeString(info.bstrName);
                slots[i]->Release();
            }
            if (*last != S_OK) break;
        }
        return names;
    }
};

TEST_F(MethodFields, MembersThenParametersThenLocals) {
    Start("heat.json");
    ComPtr<IEnumDebugFields> fields = Joined(true);
    ASSERT_TRUE(fields);
    ULONG count = 0;
    ASSERT_EQ(fields->GetCount(&count), S_OK);
    HRESULT last = S_OK;
    const std::vector<std::string> all = Names(fields.get(), 5, &last);
    EXPECT_EQ(last, S_FALSE) << "the end of the sources";
    ASSERT_EQ(all.size(), count);
    // The parameters follow the members, the locals the parameters.
    const auto at = [&](const char* name) {
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i] == name) return i;
        return all.size();
    };
    const size_t n = at("N");
    ASSERT_LT(n, all.size());
    EXPECT_GT(n, 0u) << "the global container's members come first";
    EXPECT_EQ(all[n + 1], "U");
    EXPECT_EQ(all[n + 2], "TITLE");
    EXPECT_LT(at("TITLE"), at("I"));
    EXPECT_LT(at("I"), at("NOLOG"));

    // Skipping across the border lands on the first parameter not skipped.
    ASSERT_EQ(fields->Reset(), S_OK);
    ASSERT_EQ(fields->Skip(static_cast<ULONG>(n + 1)), S_OK);
    EXPECT_EQ(Names(fields.get(), 1, &last).front(), "U");
    ASSERT_EQ(fields->Reset(), S_OK);
    EXPECT_EQ(Names(fields.get(), 1, &last).front(), all.front());
    EXPECT_EQ(fields->Skip(count + 1), S_FALSE);

    // A clone starts over with fresh members and the sources' own clones.
    ASSERT_EQ(fields->Reset(), S_OK);
    ComPtr<IEnumDebugFields> clone;
    ASSERT_EQ(fields->Clone(clone.put()), S_OK);
    EXPECT_EQ(Names(clone.get(), 7, &last), all);
}

TEST_F(MethodFields, NothingToJoin) {
    Start("heat.json");
    ComPtr<IEnumDebugFields> empty;
    ASSERT_EQ(CEnumMethodField::Create(nullptr, nullptr, nullptr, empty.put()), S_OK);
    ULONG count = 9;
    EXPECT_EQ(empty->GetCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    IDebugField* slot = reinterpret_cast<IDebugField*>(&count);
    ULONG fetched = 4;
    EXPECT_EQ(empty->Next(1, &slot, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(empty->Next(1, nullptr, &fetched), E_INVALIDARG);

    // Without the members, the parameters come first.
    ComPtr<IEnumDebugFields> fields = Joined(false);
    HRESULT last = S_OK;
    EXPECT_EQ(Names(fields.get(), 2, &last).front(), "N");
}

} // namespace
