// The host fields visible in a method at a code address, gathered at once: the members
// of the method's global container class, its parameters and its locals.
#pragma once

#include <vector>

#include "platform/ComPtr.h"

struct IDebugAddress;
struct IDebugContainerField;
struct IDebugField;
struct IDebugMethodField;
struct IEnumDebugFields;

using FieldList = std::vector<orvel::ComPtr<IDebugField>>;

struct MethodScopeFields {
    FieldList Members; // of the global container class
    FieldList Parameters;
    FieldList Locals; // at the code address
};

// Appends every field of Fields (GetCount, then one Next for that many). False when
// the host fails or memory runs out; what was gathered stays.
bool AppendAllFields(IEnumDebugFields* Fields, FieldList& Out);

// Every field of a container (all kinds and modifiers, no name filter).
bool GatherContainerFields(IDebugContainerField* Container, FieldList& Out);

// The three lists; a list the host cannot give stays empty. WithMembers false leaves
// out the global container's members.
MethodScopeFields GatherMethodScope(IDebugMethodField* Method, IDebugAddress* At, bool WithMembers);
