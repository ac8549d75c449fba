// Plays the compiler and the loader for a parsed snapshot: resolves each routine's
// names, lays the data out in a 32-bit address space, writes the values, the
// compiler's records and attributes, the static-address tables and the metadata a
// host reports, into a HostProgram.
//
// The work is split by concept over ProgramBuilder.cpp (names, bounds, targets,
// shapes), Storage.cpp (addresses and values), CompilerRecords.cpp (the records),
// DotNetObjects.cpp (classes and objects), HostFields.cpp (fields, carriers and
// tables) and RawSection.cpp (the snapshot's explicit escapes).
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "simhost/model/HostModel.h"
#include "simhost/record/RecordEncoder.h"
#include "simhost/snapshot/Layout.h"
#include "simhost/snapshot/SnapshotDocument.h"
#include "simhost/snapshot/Values.h"

namespace orvel::sim::snapshot {

class ProgramBuilder : private ValueResolver {
public:
    // Fills *out, which must be a fresh program; throws SnapshotError. Bounds named
    // by PARAMETERs are replaced by their values in doc.
    ProgramBuilder(Document& doc, HostProgram* out);
    void Build();

private:
    using Bounds = std::vector<std::pair<int32_t, int32_t>>;

    // A scope for names: a routine, a module or one COMMON instance.
    struct Scope {
        std::string what; // "routine SOLVE", for messages
        std::map<std::string, const Variable*, NameLess> names;
        const Routine* routine = nullptr; // routines only
    };

    // What the builder decided for one variable.
    struct VarInfo {
        Scope* scope = nullptr;
        bool shapeKnown = true;
        Bounds bounds;                      // numeric bounds, once known
        uint64_t count = 1;                 // elements
        bool hasStorage = false;            // has bytes in the image
        uint32_t address = 0;               // the variable's storage (slot, array object or data)
        uint32_t data = 0;                  // its first element
        uint32_t offset = 0;                // within its module, COMMON block or storage block
        uint32_t heapObject = 0;            // allocatables: the array object on the heap
        std::vector<std::string> sizeTemps; // per dimension: the variable holding the extent
        std::vector<uint32_t> sizeWords;    // module variables: per dimension, the word
        const Variable* target = nullptr;   // pointers: the resolved target
        bool frameArray = false;            // a managed array object with a header
    };

    // ProgramBuilder.cpp: names, bounds, targets and shapes.
    void BuildScopes();
    void AddToScope(Scope& scope, const Variable& var);
    static bool IsRuntimeBound(const Scope& scope, const Bound& bound);
    void AddRoutineHelpers(const Routine& routine, Scope& scope);
    void Register(const Variable& var, Scope& scope);
    Variable& MakeHelper(std::deque<Variable>& store, std::string name, Role role);
    void ResolveBoundNames();
    const Variable* BoundVariable(const Scope& scope, const Bound& bound);
    void ResolveTargets();
    const Variable& ResolveTarget(const Scope& scope, const Variable& pointer,
                                  const std::string& name, const std::string& path);
    void ComputeShapes();
    void AssignHelperValues();
    void SetHelperValue(Variable& helper, int64_t value);
    void ComputeShape(const Variable& var);
    // An argument or local of the stopped routine: one with a value.
    bool InStopFrame(const Variable& var) const;
    bool IsArrayVar(const Variable& var) const;

    // Storage.cpp: addresses and values.
    void PlanStorage();
    void PlanModules();
    void PlanCommons();
    void PlanStatics();
    void PlanFrame();
    void PlanHeap();
    uint32_t StorageSize(const Variable& var) const;
    uint32_t SlotAlign(const Variable& var) const;
    void WriteValues();
    void WriteVariable(const Variable& var);
    std::vector<uint8_t> StoredBytes(const Variable& var) const;
    uint32_t PointerTarget(const Variable& component, const JsonNode& value) override;
    uint32_t ObjectAddress(int cls, const JsonNode& value) override;

    // CompilerRecords.cpp: the records of routines, types, modules and COMMON blocks.
    void BuildRecords();
    std::vector<RecordSpec> RoutineRecords(const Routine& routine);
    RecordSpec RecordOf(const Variable& var, std::string rawName, uint32_t flags, uint32_t value);
    std::optional<ArraySection> ArrayOf(const Variable& var);
    static bool IsManagedArray(const Variable& var);

    // DotNetObjects.cpp: .NET classes and objects.
    struct NetValue {
        ValueId value = kNoValue;
        std::vector<uint8_t> bytes; // as the field holds it in memory
    };
    void BuildHostClasses();
    void BuildObjects();
    void AddClassField(FieldId cls, const ClassField& field);
    NetValue ClassValue(const ClassField& field, const std::optional<JsonNode>& value);
    ValueId ObjectValueAt(uint32_t address);

    // HostFields.cpp: host types, fields and values, carriers and tables.
    FieldId ElementHostType(const Variable& var);
    FieldId Primitive(const std::string& name, uint32_t size);
    FieldId ArrayType(FieldId element, uint32_t rank, uint32_t count);
    FieldId PointerType(FieldId target);
    FieldId HostTypeOf(const Variable& var);
    uint32_t FieldKindOf(const Variable& var) const;
    void ShapeField(FieldId id, const Variable& var);
    FieldId AddVariableField(FieldId method, const Variable& var, bool parameter);
    ValueId FrameValue(const Variable& var);
    ValueId TargetValue(const Variable& target);
    void BuildRoutineFields();
    void ClaimProgramMember(const std::string& name, const std::string& path);
    FieldId AddProgramMember(const std::string& name, FieldId type, ValueId value,
                             const std::string& path, uint32_t extraKind = 0);
    FieldId StorageField(const std::string& name, const char* typeName, uint32_t address,
                         uint32_t size, const std::string& path);
    void SetCarrier(FieldId field, const std::string& key, Carrier carrier,
                    const std::vector<uint8_t>& records, const std::string& path);
    void PublishAddress(const std::string& name, uint32_t address, AddressMode mode);
    void BuildStaticFields();
    void BuildAddressTables();
    void BuildGlobalNames();
    void LinkClassTypedFields();

    // RawSection.cpp: explicit blobs, records, memory, failures.
    void ReadRawEarly();
    std::vector<uint8_t> RawRecordBytes(const JsonNode& node);
    void ApplyRaw();
    void ApplyRawAttributes(const JsonNode& list);
    void ApplyRawMemory(const JsonNode& list);
    void ApplyRawFailures(const JsonNode& list);
    void HandOverMemory();
    std::string RawItemKey(const JsonNode& node, bool allowField);
    bool IsOmitted(const std::string& member) const;

    VarInfo& Info(const Variable& var) { return m_info[&var]; }
    const VarInfo& Info(const Variable& var) const { return m_info.at(&var); }
    std::string ProgramKey(const std::string& member) const;

    Document& m_doc;
    HostProgram& m_out;
    Layouts m_layouts;
    AddressPlan m_plan;
    ValueEncoder m_values;

    std::map<const Variable*, VarInfo> m_info;
    std::vector<const Variable*> m_order; // every scoped variable, in document order
    std::vector<std::unique_ptr<Scope>> m_scopes;
    // Variables the compiler adds: extent temporaries and hidden CHARACTER lengths,
    // per routine in declaration order, with the JSON of their values.
    std::map<const Routine*, std::deque<Variable>> m_helpers;
    std::deque<nlohmann::json> m_helperValues;
    std::map<const Variable*, const Variable*> m_lengthOf; // argument → its length
    Scope* m_valueScope = nullptr; // where names in the value being written resolve

    std::map<std::string, uint32_t, NameLess> m_commonBase; // by COMMON name
    std::map<std::string, uint32_t, NameLess> m_blockBase;  // storage block → address
    std::map<std::string, uint32_t, NameLess> m_blockSize;
    std::map<std::string, AddressMode, NameLess> m_blockMode;
    std::vector<uint32_t> m_moduleBase;
    std::vector<uint32_t> m_objectAddress;
    std::vector<ValueId> m_objectValue;
    std::map<std::string, size_t> m_objectIndex; // id → index
    std::map<uint32_t, size_t> m_objectAt;       // address → index

    // Records and carriers, by item key ("routine:SOLVE", "common:/BLK/1", …).
    std::map<std::string, std::vector<uint8_t>, NameLess> m_extraRecords;
    std::map<std::string, std::vector<uint8_t>, NameLess> m_records;
    std::map<std::string, FieldId, NameLess> m_carriers; // item key → field with the blob
    std::map<std::string, FieldId, NameLess> m_companions;

    FieldId m_program = kNoField;
    std::vector<FieldId> m_typeClasses;
    std::vector<FieldId> m_classes;
    std::map<std::pair<std::string, uint32_t>, FieldId> m_primitives;
    std::map<std::tuple<FieldId, uint32_t, uint32_t>, FieldId> m_arrayTypes;
    std::map<FieldId, FieldId> m_pointerTypes;
    std::vector<FieldId> m_classTyped; // data fields of class type, linked at the end
    std::map<std::string, std::string, NameLess> m_programMembers; // name → path
    std::vector<std::string> m_tableNames;
    std::vector<uint32_t> m_tableAddresses;
    std::vector<GlobalInfoEntry> m_extraGlobals;
    std::map<std::string, std::string, NameLess> m_omit; // member → path in the snapshot
    std::vector<MemoryRegion> m_rawRegions;
};

} // namespace orvel::sim::snapshot
