// Element: reading, storing and range-checking the value an Element holds.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "model/Element.h"

namespace {

template <class T> T Load(const uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

int RangeError(double value, double largest, double smallestNormal) {
    const double magnitude = std::fabs(value);
    if (magnitude > largest) return ErrOverflow;
    if (magnitude != 0 && magnitude < smallestNormal) return ErrUnderflow;
    return 0;
}

constexpr double kFloatMax = std::numeric_limits<float>::max();
constexpr double kFloatMin = std::numeric_limits<float>::min();
constexpr double kDoubleMax = std::numeric_limits<double>::max();
constexpr double kDoubleMin = std::numeric_limits<double>::min();

} // namespace

void Element::FreeOwnedBuffer() {
    if (Flags & OwnsAddress) {
        delete[] Data;
        Flags &= static_cast<uint8_t>(~OwnsAddress);
        OwnedSize = 0;
        Data = RawData;
    }
}

int Element::DataCapacity() const {
    if (Data == RawData) return RawDataSize;
    if (Flags & OwnsAddress) return OwnedSize;
    if (Data == BigData && BigData) return BigDataSize;
    return 0;
}

void Element::ReadValueBytes(void* out, int n) const {
    if (!out || n <= 0) return;
    const int capacity = DataCapacity();
    const int held = n < capacity ? n : capacity;
    if (held > 0) std::memcpy(out, Data, static_cast<size_t>(held));
    if (held < n) std::memset(static_cast<uint8_t*>(out) + held, 0, static_cast<size_t>(n - held));
}

void Element::StoreSmallValue(const void* Bytes, int n) {
    // Bytes may be this Element's own value: copy it out before anything is freed.
    uint8_t value[RawDataSize] = {};
    if (n > RawDataSize) n = RawDataSize;
    if (Bytes && n > 0) std::memcpy(value, Bytes, static_cast<size_t>(n));
    FreeOwnedBuffer();
    // The tail stays cleared so that a wider read of a narrow value is predictable.
    std::memcpy(RawData, value, sizeof RawData);
    Data = RawData;
}

int32_t Element::IntValue() const {
    if (!HasValue()) return 0;
    uint8_t bytes[4];
    ReadValueBytes(bytes, sizeof bytes);
    switch (Type) {
    case integer_1:
        return Load<int8_t>(bytes);
    case integer_2:
        return Load<int16_t>(bytes);
    case logical_1:
    case unsigned_1:
        return Load<uint8_t>(bytes);
    case logical_2:
    case unsigned_2:
        return Load<uint16_t>(bytes);
    default:
        return Load<int32_t>(bytes);
    }
}

double Element::RealValue() const {
    if (!HasValue()) return 0;
    uint8_t bytes[8];
    ReadValueBytes(bytes, sizeof bytes);
    switch (Type) {
    case integer_8:
        return static_cast<double>(Load<int64_t>(bytes));
    case unsigned_8:
        return static_cast<double>(Load<uint64_t>(bytes));
    case unsigned_4:
    case pointer_4:
    case reference_4:
    case allocatable_4:
    case array:
        return Load<uint32_t>(bytes);
    case real_4:
    case complex_8:
        return Load<float>(bytes);
    case real_8:
    case real_10:
    case complex_16:
    case complex_20:
        return Load<double>(bytes);
    default:
        if (IsInteger() || IsLogical()) return IntValue();
        return 0;
    }
}

void Element::ComplexValue(double out[2]) const {
    if (!out) return;
    out[0] = RealValue();
    out[1] = 0;
    if (!HasValue()) return;
    uint8_t bytes[16];
    ReadValueBytes(bytes, sizeof bytes);
    if (Type == complex_8)
        out[1] = Load<float>(bytes + 4);
    else if (Type == complex_16 || Type == complex_20)
        out[1] = Load<double>(bytes + 8);
}

uint32_t Element::PointerValue() {
    if (!(Flags & AddressKnown)) return static_cast<uint32_t>(IntValue());
    uint8_t bytes[4];
    if (CopyDebuggeeMemory(bytes, 0, sizeof bytes) != sizeof bytes) return 0;
    return Load<uint32_t>(bytes);
}

bool Element::IsUndefined(int n) const {
    const int capacity = DataCapacity();
    if (n > capacity) n = capacity;
    if (n <= 0) return false;
    for (int i = 0; i < n; ++i) {
        if (Data[i] != 0x80) return false;
    }
    return true;
}

void Element::SetValue(const void* Bytes, int NewSize, ElementType t) {
    if (NewSize < 0) NewSize = 0;
    if (NewSize > RawDataSize) {
        uint8_t* buffer = new (std::nothrow) uint8_t[static_cast<size_t>(NewSize)];
        if (!buffer) {
            FreeOwnedBuffer();
            Error = ErrBindFailure;
            Flags &= static_cast<uint8_t>(~HasValueFlag);
            return;
        }
        if (Bytes)
            std::memcpy(buffer, Bytes, static_cast<size_t>(NewSize));
        else
            std::memset(buffer, 0, static_cast<size_t>(NewSize));
        FreeOwnedBuffer(); // only now: Bytes may have pointed into it
        Data = buffer;
        OwnedSize = NewSize;
        Flags |= OwnsAddress;
    } else {
        StoreSmallValue(Bytes, NewSize);
    }
    Size = NewSize;
    Flags |= HasValueFlag;
    Flags &= static_cast<uint8_t>(~AddressKnown);
    Type = t;
}

void Element::SetRealValue(const double* d) {
    if (!d) return;
    switch (Type) {
    case real_4: {
        const float single = static_cast<float>(*d);
        SetValue(&single, sizeof single, real_4);
        break;
    }
    case real_8:
        SetValue(d, sizeof *d, real_8);
        break;
    case real_10: {
        // The double in the first 8 bytes, as RealValue reads it back.
        uint8_t bytes[10] = {};
        std::memcpy(bytes, d, sizeof *d);
        SetValue(bytes, sizeof bytes, real_10);
        break;
    }
    default:
        break;
    }
}

void Element::SetComplexValue(const double in[2]) {
    if (!in) return;
    switch (Type) {
    case complex_8: {
        const float pair[2] = {static_cast<float>(in[0]), static_cast<float>(in[1])};
        SetValue(pair, sizeof pair, complex_8);
        break;
    }
    case complex_16: {
        const double pair[2] = {in[0], in[1]};
        SetValue(pair, sizeof pair, complex_16);
        break;
    }
    case complex_20: {
        uint8_t bytes[20] = {};
        std::memcpy(bytes, in, 2 * sizeof(double));
        SetValue(bytes, sizeof bytes, complex_20);
        break;
    }
    default:
        break;
    }
}

void Element::SetIntValue(const void* Bytes) {
    const int n = Size > 0 ? Size : 0;
    if (n <= RawDataSize) {
        StoreSmallValue(Bytes, n);
    } else if ((Flags & OwnsAddress) && OwnedSize >= n) {
        if (Bytes)
            std::memmove(Data, Bytes, static_cast<size_t>(n));
        else
            std::memset(Data, 0, static_cast<size_t>(n));
    } else {
        SetValue(Bytes, n, Type);
        return;
    }
    Flags |= HasValueFlag;
    Flags &= static_cast<uint8_t>(~AddressKnown);
}

int Element::CheckRealRange(const double* d) const {
    if (!d || *d == 0 || std::isnan(*d)) return 0;
    switch (Type) {
    case real_4:
        return RangeError(*d, kFloatMax, kFloatMin);
    case real_8:
        return RangeError(*d, kDoubleMax, kDoubleMin);
    case real_10:
        return 0;
    default:
        return ErrOverflow;
    }
}

int Element::CheckComplexRange(const double* pair) const {
    if (!IsComplex()) return ErrOverflow;
    if (!pair || Type == complex_20) return 0;
    const double largest = Type == complex_8 ? kFloatMax : kDoubleMax;
    const double smallest = Type == complex_8 ? kFloatMin : kDoubleMin;
    // Overflow of either part is reported before underflow of either.
    for (int i = 0; i < 2; ++i) {
        if (std::fabs(pair[i]) > largest) return ErrOverflow;
    }
    for (int i = 0; i < 2; ++i) {
        if (RangeError(pair[i], largest, smallest) == ErrUnderflow) return ErrUnderflow;
    }
    return 0;
}
