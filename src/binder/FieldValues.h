// The binder layer: moves .NET field values between the debuggee and VARIANTs through
// the host's binder, finds a field by name for the operator evaluator (the host's scopes
// first, then the Fortran records), and gives the text shown for a failure code.
//
// Every operation checks its out-pointer and interface arguments first (E_INVALIDARG);
// an out VARIANT is initialised empty, an out field pointer cleared, before anything
// else. Nothing here throws.
#pragma once

#include "platform/Variant.h"

struct IDebugAddress;
struct IDebugBinder;
struct IDebugField;
struct IDebugObject;
struct IDebugSymbolProvider;

// An empty VARIANT whose tag is the field's VARIANT type, from its type's simple name and
// size; a type of no known name and size is VT_UNKNOWN holding the type's field.
HRESULT GetFieldType(IDebugField* field, VARIANT* pvarType);

// The field's value, bound under container (null for statics, arguments and locals). A
// string's size counts UTF-16 units, as the host reports it. E_FAIL for an object type.
HRESULT GetFieldValue(IDebugBinder* binder, IDebugField* field, VARIANT* pvarValue,
                      IDebugObject* container);

// pvarOut = pvarIn, a field-valued one read first, converted to the field's type: S_OK;
// S_FALSE (pvarOut keeps the value) for an object of another type name; else a failure
// with pvarOut empty. pvarIn and pvarOut may be the same VARIANT.
HRESULT ConvertToFieldType(IDebugBinder* binder, IDebugField* field, VARIANT* pvarIn,
                           VARIANT* pvarOut);

// Writes pvarValue, converted to the field's type, into the field. Arguments, locals and
// statics are bound with no container; a member of an object is bound under container,
// so that editing a member row changes that object. An object value makes the field
// refer to the same object.
HRESULT SetFieldValue(IDebugBinder* binder, IDebugField* field, VARIANT* pvarValue,
                      IDebugObject* container = nullptr);

// pvarValue = VT_UNKNOWN holding field, with one reference.
HRESULT FieldAsVariant(IDebugField* field, VARIANT* pvarValue);

// The field named pszName (letter case ignored) visible at paddress: S_OK with the field,
// S_FALSE when there is none, or a failure (also the provider's own result when it gives
// no method). A Fortran variable known only from the method's debug information comes as
// a CDebugF95Field.
HRESULT FindFieldByName(IDebugSymbolProvider* pprovider, IDebugAddress* paddress,
                        IDebugBinder* binder, LPCOLESTR pszName, IDebugField** ppfield);

// The system's message for hr without its line break, else "Err: 0x%08x". A new BSTR;
// null only when out of memory.
BSTR ErrorText(HRESULT hr);
