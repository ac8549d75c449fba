// Names and identifiers of the debugger host's interfaces: a forward declaration and an
// IID for every interface we know, the child-filter GUIDs a host passes to
// IDebugProperty2::EnumChildren, and our own class id. The interfaces we call or
// implement are declared in full in the area headers; the rest stay opaque here.
// Every interface with an IID also gets its orvel::InterfaceId here; the area headers
// add orvel::InterfaceBase for the ones that derive from another.
#pragma once

#include "platform/InterfaceId.h"
#include "platform/Unknown.h"

// Every interface with a known IID, as X(Name). Lets the IID trait, tests and
// QueryInterface tables be generated from one list.
#define ORVEL_HOST_INTERFACES(X)                                                                   \
    /* The evaluator and its results. */                                                           \
    X(IDebugExpressionEvaluator)                                                                   \
    X(IDebugExpressionEvaluator2)                                                                  \
    X(IDebugExpressionEvaluator3)                                                                  \
    X(IDebugParsedExpression)                                                                      \
    X(IDebugProperty2)                                                                             \
    X(IEnumDebugPropertyInfo2)                                                                     \
    X(IDebugMemoryContext2)                                                                        \
    X(IDebugCodeContext2)                                                                          \
    X(IDebugMemoryBytes2)                                                                          \
    X(IDebugReference2)                                                                            \
    X(IDebugDocumentContext2)                                                                      \
    X(IDebugExpressionContext2)                                                                    \
    X(IDebugExpression2)                                                                           \
    /* Symbols. */                                                                                 \
    X(IDebugSymbolProvider)                                                                        \
    X(IDebugEngineSymbolProviderServices)                                                          \
    X(IDebugField)                                                                                 \
    X(IDebugContainerField)                                                                        \
    X(IDebugClassField)                                                                            \
    X(IDebugMethodField)                                                                           \
    X(IDebugPointerField)                                                                          \
    X(IDebugArrayField)                                                                            \
    X(IDebugPropertyField)                                                                         \
    X(IDebugEnumField)                                                                             \
    X(IDebugBitField)                                                                              \
    X(IDebugDynamicField)                                                                          \
    X(IDebugPrimitiveTypeField)                                                                    \
    X(IEnumDebugFields)                                                                            \
    X(IDebugAddress)                                                                               \
    X(IDebugAddress2)                                                                              \
    X(IEnumDebugAddresses)                                                                         \
    X(IDebugCustomAttributeQuery)                                                                  \
    X(IDebugCustomAttributeQuery2)                                                                 \
    X(IDebugCustomAttribute)                                                                       \
    X(IEnumDebugCustomAttributes)                                                                  \
    /* Objects and binding. */                                                                     \
    X(IDebugBinder)                                                                                \
    X(IDebugBinder2)                                                                               \
    X(IDebugBinder3)                                                                               \
    X(IDebugObject)                                                                                \
    X(IDebugObject2)                                                                               \
    X(IDebugArrayObject)                                                                           \
    X(IDebugArrayObject2)                                                                          \
    X(IDebugPointerObject)                                                                         \
    X(IDebugPointerObject2)                                                                        \
    X(IDebugPointerObject3)                                                                        \
    X(IDebugFunctionObject)                                                                        \
    X(IDebugFunctionObject2)                                                                       \
    X(IDebugManagedObject)                                                                         \
    X(IEnumDebugObjects)

#define ORVEL_HOST_DECLARE_INTERFACE(I)                                                            \
    struct I;                                                                                      \
    extern const IID IID_##I;
ORVEL_HOST_INTERFACES(ORVEL_HOST_DECLARE_INTERFACE)
#undef ORVEL_HOST_DECLARE_INTERFACE

#define ORVEL_HOST_INTERFACE_ID(I) ORVEL_INTERFACE_ID(I, IID_##I)
ORVEL_HOST_INTERFACES(ORVEL_HOST_INTERFACE_ID)
#undef ORVEL_HOST_INTERFACE_ID

// Interfaces that only appear as parameter types and have no IID we rely on.
struct IDebugDocumentPosition2;
struct IEnumDebugCodeContexts2;

// Child filters for IDebugProperty2::EnumChildren.
extern const GUID guidFilterLocals;
extern const GUID guidFilterAllLocals;
extern const GUID guidFilterArgs;
extern const GUID guidFilterLocalsPlusArgs;
extern const GUID guidFilterAllLocalsPlusArgs;
extern const GUID guidFilterRegisters;
extern const GUID guidFilterThis;
extern const GUID guidFilterAutoRegisters;

// The evaluator's own COM class.
extern const CLSID CLSID_OrvelExpressionEvaluator;
