#include <utility>

#include <gtest/gtest.h>

#include "CountingUnknown.h"
#include "platform/ComPtr.h"
#include "platform/InterfaceId.h"

namespace {

using UnknownPtr = orvel::ComPtr<IUnknown>;

TEST(ComPtrOwnership, RawPointerAddsReferenceAdoptAndAttachDoNot) {
    CountingUnknown object;
    object.AddRef();
    object.AddRef();
    {
        UnknownPtr counted(&object);
        UnknownPtr adopted = UnknownPtr::Adopt(&object);
        UnknownPtr attached;
        attached.Attach(&object);
        EXPECT_EQ(4u, object.Refs());
    }
    EXPECT_EQ(1u, object.Refs());
}

TEST(ComPtrOwnership, CopyAddsReferenceAndMoveDoesNot) {
    CountingUnknown object;
    UnknownPtr a(&object);
    UnknownPtr b(a);
    EXPECT_EQ(3u, object.Refs());
    UnknownPtr c(std::move(b));
    EXPECT_EQ(3u, object.Refs());
    EXPECT_FALSE(b);
    UnknownPtr d;
    d = c;
    EXPECT_EQ(4u, object.Refs());
    d = std::move(c);
    EXPECT_EQ(3u, object.Refs());
    UnknownPtr& alias = d;
    d = alias;
    EXPECT_EQ(3u, object.Refs()) << "self-assignment keeps the reference";
}

TEST(ComPtrOwnership, PutReleasesTheHeldPointer) {
    CountingUnknown first, second;
    UnknownPtr p(&first);
    IUnknown** slot = p.put();
    EXPECT_EQ(1u, first.Refs());
    EXPECT_EQ(nullptr, *slot);
    *slot = &second; // an out-parameter hands over its reference
    second.AddRef();
    EXPECT_EQ(&second, p.get());
    p = nullptr;
    EXPECT_EQ(1u, second.Refs());
}

TEST(ComPtrOwnership, DetachHandsOverWithoutRelease) {
    CountingUnknown object;
    UnknownPtr p(&object);
    IUnknown* raw = p.Detach();
    EXPECT_EQ(&object, raw);
    EXPECT_FALSE(p);
    EXPECT_EQ(2u, object.Refs());
    raw->Release();
}

TEST(ComPtrOwnership, CopyToAddsReference) {
    CountingUnknown object;
    UnknownPtr p(&object);
    IUnknown* out = nullptr;
    p.CopyTo(&out);
    EXPECT_EQ(&object, out);
    EXPECT_EQ(3u, object.Refs());
    out->Release();

    UnknownPtr empty;
    out = &object;
    empty.CopyTo(&out);
    EXPECT_EQ(nullptr, out);
}

TEST(ComPtrQuery, AsWithTraitOrExplicitIid) {
    CountingUnknown object;
    UnknownPtr p(&object);
    UnknownPtr q;
    EXPECT_EQ(S_OK, p.As(q));
    EXPECT_EQ(&object, q.get());
    EXPECT_EQ(3u, object.Refs());
    EXPECT_EQ(S_OK, p.As(IID_IUnknown, q));
    EXPECT_EQ(3u, object.Refs()) << "the old value of out is released";
}

TEST(ComPtrQuery, FailedAsEmptiesTheOutput) {
    CountingUnknown object;
    UnknownPtr p(&object);
    UnknownPtr out(&object);
    EXPECT_EQ(E_NOINTERFACE, p.As(IID_IClassFactory, out));
    EXPECT_FALSE(out);
    EXPECT_EQ(2u, object.Refs());
}

TEST(ComPtrQuery, AsIntoItselfKeepsObjectAlive) {
    CountingUnknown object;
    UnknownPtr p(&object);
    EXPECT_EQ(S_OK, p.As(p));
    EXPECT_EQ(&object, p.get());
    EXPECT_EQ(2u, object.Refs());
}

TEST(ComPtrQuery, AsOnNullIsPointerError) {
    UnknownPtr empty;
    CountingUnknown object;
    UnknownPtr out(&object);
    EXPECT_EQ(E_POINTER, empty.As(out));
    EXPECT_FALSE(out);
    EXPECT_EQ(1u, object.Refs());
}

} // namespace
