#include <new>
#include <stdexcept>

#include <gtest/gtest.h>

#include "TestInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

namespace {

class Widget final : public orvel::ComObject<IWidget2, IGadget> {
public:
    Widget(int value, bool* destroyed) : m_value(value), m_destroyed(destroyed) {}

    int STDMETHODCALLTYPE Value() override { return m_value; }
    int STDMETHODCALLTYPE Doubled() override { return 2 * m_value; }
    int STDMETHODCALLTYPE Turn() override { return -m_value; }

private:
    ~Widget() override {
        if (m_destroyed) *m_destroyed = true;
    }

    int m_value;
    bool* m_destroyed;
};

class ThrowingWidget final : public orvel::ComObject<IWidget> {
public:
    explicit ThrowingWidget(bool outOfMemory) {
        if (outOfMemory) throw std::bad_alloc();
        throw std::runtime_error("no");
    }
    int STDMETHODCALLTYPE Value() override { return 0; }
};

struct QueryCase {
    const char* name;
    const IID* iid;
    HRESULT hr;
};

const QueryCase kQueries[] = {
    {"IUnknown", &IID_IUnknown, S_OK},
    {"listed first", &IID_IWidget2, S_OK},
    {"base of listed", &IID_IWidget, S_OK},
    {"listed second", &IID_IGadget, S_OK},
    {"not implemented", &IID_IMissing, E_NOINTERFACE},
    {"system interface", &IID_IClassFactory, E_NOINTERFACE},
};

TEST(ComObjectQuery, AnswersListedInterfacesAndTheirBases) {
    orvel::ComPtr<IWidget2> widget;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(widget.put(), 21, nullptr));
    for (const QueryCase& c : kQueries) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(0x1234);
        EXPECT_EQ(c.hr, widget->QueryInterface(*c.iid, &out));
        if (FAILED(c.hr)) {
            EXPECT_EQ(nullptr, out) << "a refused query clears the out pointer";
            continue;
        }
        ASSERT_NE(nullptr, out);
        static_cast<IUnknown*>(out)->Release();
    }
}

TEST(ComObjectQuery, PointersCallTheRightInterface) {
    orvel::ComPtr<IWidget2> widget;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(widget.put(), 21, nullptr));
    orvel::ComPtr<IWidget> base;
    orvel::ComPtr<IGadget> gadget;
    ASSERT_EQ(S_OK, widget.As(base));
    ASSERT_EQ(S_OK, widget.As(gadget));
    EXPECT_EQ(21, base->Value());
    EXPECT_EQ(42, widget->Doubled());
    EXPECT_EQ(-21, gadget->Turn());
}

TEST(ComObjectQuery, IUnknownIsTheSameFromEveryInterface) {
    orvel::ComPtr<IWidget2> widget;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(widget.put(), 1, nullptr));
    orvel::ComPtr<IGadget> gadget;
    ASSERT_EQ(S_OK, widget.As(gadget));
    orvel::ComPtr<IUnknown> fromWidget, fromGadget;
    ASSERT_EQ(S_OK, widget.As(fromWidget));
    ASSERT_EQ(S_OK, gadget.As(fromGadget));
    EXPECT_EQ(fromWidget.get(), fromGadget.get());
}

TEST(ComObjectQuery, NullOutIsInvalid) {
    orvel::ComPtr<IWidget2> widget;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(widget.put(), 1, nullptr));
    EXPECT_EQ(E_INVALIDARG, widget->QueryInterface(IID_IWidget, nullptr));
}

TEST(ComObjectLifetime, CountsReferencesAndDeletesAtZero) {
    bool destroyed = false;
    IWidget2* raw = nullptr;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(&raw, 5, &destroyed));
    EXPECT_EQ(2u, raw->AddRef());
    EXPECT_EQ(1u, raw->Release());
    EXPECT_FALSE(destroyed);

    IGadget* gadget = nullptr;
    ASSERT_EQ(S_OK, raw->QueryInterface(IID_IGadget, reinterpret_cast<void**>(&gadget)));
    EXPECT_EQ(1u, raw->Release()) << "the query's reference keeps it alive";
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(0u, gadget->Release());
    EXPECT_TRUE(destroyed);
}

TEST(ComObjectLifetime, ObjectCountFollowsLiveObjects) {
    const long before = orvel::ObjectCount().load();
    {
        orvel::ComPtr<IWidget2> a, b;
        ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(a.put(), 1, nullptr));
        ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(b.put(), 2, nullptr));
        EXPECT_EQ(before + 2, orvel::ObjectCount().load());
        b = nullptr;
        EXPECT_EQ(before + 1, orvel::ObjectCount().load());
    }
    EXPECT_EQ(before, orvel::ObjectCount().load());
}

TEST(ComObjectCreate, HandsOutIdentityForIUnknown) {
    orvel::ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, orvel::CreateComObject<Widget>(unknown.put(), 3, nullptr));
    orvel::ComPtr<IUnknown> queried;
    ASSERT_EQ(S_OK, unknown.As(queried));
    EXPECT_EQ(unknown.get(), queried.get());
}

TEST(ComObjectCreate, NullOutIsInvalid) {
    EXPECT_EQ(E_INVALIDARG, (orvel::CreateComObject<Widget, IWidget2>(nullptr, 1, nullptr)));
}

TEST(ComObjectCreate, ConstructorExceptionBecomesErrorCode) {
    const long before = orvel::ObjectCount().load();
    IWidget* out = reinterpret_cast<IWidget*>(0x1234);
    EXPECT_EQ(E_OUTOFMEMORY, orvel::CreateComObject<ThrowingWidget>(&out, true));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_FAIL, orvel::CreateComObject<ThrowingWidget>(&out, false));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, orvel::ObjectCount().load());
}

} // namespace
