// The scope of an evaluation: where the debuggee stopped, with the host's symbol
// provider and binder and the name of the routine's class. Counted with a plain counter
// (1 when made); every function that returns one returns a new reference.
#pragma once

#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

class Element;
class ExtraDebugInfo;
struct IDebugSymbolProvider;
struct IDebugBinder;
struct IDebugAddress;

class ExpressionContext {
public:
    orvel::ComPtr<IDebugSymbolProvider> Provider;
    // None when the debuggee cannot be inspected.
    orvel::ComPtr<IDebugBinder> Binder;
    // The extra debug information of the routine whose names are in scope, or none.
    orvel::ComPtr<ExtraDebugInfo> DebugInfo;
    orvel::ComPtr<IDebugAddress> Address;
    BSTR ClassName; // owned; simple name of the routine's class, or none
    int32_t Counter;

    // Takes a reference on each interface given and copies ClassName. Null only when
    // out of memory.
    static ExpressionContext* Create(IDebugSymbolProvider* Provider, IDebugBinder* Binder,
                                     IDebugAddress* Address, const OLECHAR* ClassName);
    // The same with the routine's debug information (a reference is taken). The binder
    // goes to that iterator's own context too when it has none yet, so that the records
    // can evaluate the names they refer to.
    static ExpressionContext* Create(IDebugSymbolProvider* Provider, IDebugBinder* Binder,
                                     ExtraDebugInfo* DebugInfo, IDebugAddress* Address,
                                     const OLECHAR* ClassName);
    // A new context with the same provider, binder, address and class name, for an
    // Element's own members. Null only when out of memory.
    ExpressionContext* MakeChildContext() const;

    ExpressionContext(const ExpressionContext&) = delete;
    ExpressionContext& operator=(const ExpressionContext&) = delete;

    int32_t AddRef();
    int32_t Release();

    // The variable Name in the scopes around Address, as a new reference, or none.
    Element* Lookup(const OLECHAR* Name);
    Element* Lookup(const char* Name);
    // The base address of a module's data; Name is "MODULE " and the module's name.
    // 0xFFFFFFFF (kept in the address cache) when the module cannot be found.
    DebuggeeAddress GetModuleAddress(const char* Name);

    // A context and its records refer to each other (the records evaluate names in the
    // context that holds them). When nothing but those back references keeps this
    // context alive, it is destroyed with its records, and true is returned.
    bool ReleaseIfOnlyRecordsHoldIt();

private:
    ExpressionContext();
    ~ExpressionContext();
};
