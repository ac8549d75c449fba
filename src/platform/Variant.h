// VARIANT: a tagged value. Windows declares it with its functions; elsewhere we
// declare the same names, with the members the evaluator uses, so that `v.vt` and
// `v.lVal` compile alike on both. Only scalar tags, BSTR and IUnknown are carried
// here: no SAFEARRAY, DECIMAL or record.
#pragma once

#include "platform/Bstr.h"
#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

#if !ORVEL_WINDOWS

typedef LONG SCODE;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_TYPEMASK = 0x0FFF,
};

struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        // With VT_BYREF: the caller's storage, never owned by the VARIANT.
        void* byref;
        BSTR* pbstrVal;
        tagVARIANT* pvarVal;
        // Windows' record member is two pointers wide; keep the same size.
        void* recordSpace[2];
    };
};
typedef tagVARIANT VARIANT;
typedef VARIANT VARIANTARG;

// Sets vt to VT_EMPTY (and zeroes the value).
void VariantInit(VARIANTARG* v);
// Frees an owned BSTR, releases an owned IUnknown, then sets VT_EMPTY. A by-reference
// value is not touched. DISP_E_BADVARTYPE (and v unchanged) for a tag we do not carry.
HRESULT VariantClear(VARIANTARG* v);
// Clears dst, then copies src: a new BSTR (an empty one for a null BSTR), an AddRef
// on an IUnknown, the pointer itself for a by-reference value. The source is not const, as in the
// Windows declaration, so that callers compile alike on both. DISP_E_BADVARTYPE (dst unchanged) for
// a source tag we do not carry; E_OUTOFMEMORY leaves dst VT_EMPTY.
HRESULT VariantCopy(VARIANTARG* dst, VARIANTARG* src);

// Flags of VariantChangeType that change a result here: VT_BOOL becomes "True" or "False"
// rather than "-1" or "0" as text (always the English words).
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_LOCALBOOL 0x10

// Converts src to tag vt into dest, as Windows does in its default locale: reals round
// half to even into integers; integers of the same width are taken bit for bit; a value
// outside the target's range gives DISP_E_OVERFLOW and a conversion that has no meaning
// DISP_E_TYPEMISMATCH. Text is read as [blanks][sign]digits[.digits][E[sign]digits][blanks],
// or "True"/"False" in any letter case for VT_BOOL. dest may be src; on failure dest is
// unchanged. Tags not carried here (source or target) give DISP_E_BADVARTYPE. The source is
// not const, as in the Windows declaration.
HRESULT VariantChangeType(VARIANTARG* dest, VARIANTARG* src, USHORT flags, VARTYPE vt);

#endif // !ORVEL_WINDOWS
