// Malformed snapshots: each is refused with the JSON path of the problem and what is
// wrong, and nothing is loaded.
#include <nlohmann/json.hpp>

#include "SnapshotTestSupport.h"

namespace orvel::sim::test {
namespace {

// A small valid snapshot; each case changes one place of it.
const char* const kBase = R"({
  "format": "orvel-snapshot/1", "program": "P", "stop": "R",
  "types": [{"name": "T", "components": [{"name": "C", "type": "integer_4"}]}],
  "modules": [{"name": "M", "variables": [{"name": "MV", "type": "integer_4", "value": 1}]}],
  "commons": [{"name": "B", "members": [{"name": "BV", "type": "real_4"}]}],
  "classes": [{"name": "K", "fields": [{"name": "F", "type": "System.Int32"}]}],
  "objects": [{"id": "o", "class": "K"}],
  "routines": [
    {"name": "R",
     "arguments": [{"name": "N", "type": "integer_4", "value": 2}],
     "locals": [
       {"name": "X", "type": "real_8", "dims": [[1, "N"]], "value": [1, 2]},
       {"name": "Y", "type": "integer_4", "value": 3}
     ],
     "commons": ["B"], "uses": ["M"]},
    {"name": "Q", "locals": [{"name": "Z", "type": "integer_4"}]}
  ]
})";

TEST(SnapshotErrors, TheBaseSnapshotLoads) {
    HostProgram p;
    std::string error;
    EXPECT_TRUE(LoadSnapshot(kBase, &p, &error)) << error;
}

struct ErrorCase {
    const char* pointer; // where the change goes; a trailing "-" appends
    const char* json;    // what goes there
    const char* message; // expected within the error text
};

const ErrorCase kCases[] = {
    // Wrong JSON types and unknown keys.
    {"/format", R"("orvel-snapshot/2")", "format: expected \"orvel-snapshot/1\""},
    {"/routines", "{}", "routines: expected an array, found an object"},
    {"/routines/0/locals/1/value", R"("three")",
     "routines[0].locals[1].value: expected an integer"},
    {"/routines/0/locals/0/pointer", "1", "routines[0].locals[0].pointer: expected true or false"},
    {"/routines/0/colour", R"("red")", "routines[0].colour: unknown key"},
    {"/stop", R"("NOPE")", "stop: names no routine: 'NOPE'"},
    {"/routines/0/commons/-", R"("C")", "routines[0].commons[1]: names no COMMON block: 'C'"},
    {"/routines/0/uses/-", R"("MM")", "routines[0].uses[1]: names no module: 'MM'"},
    // Type names.
    {"/routines/0/locals/1/type", R"("integer_3")",
     "routines[0].locals[1].type: unknown type name 'integer_3'"},
    {"/routines/0/locals/1/type", R"("object:Nope")", "unknown type name 'object:Nope'"},
    {"/routines/0/locals/1/type", R"("character")", "routines[0].locals[1].len: missing"},
    {"/types/-", R"({"name": "U", "components": [{"name": "SELF", "type": "U"}]})",
     "types[1]: derived type U contains itself"},
    // Bounds.
    {"/routines/0/locals/0/dims/0/1", R"("NN")",
     "routines[0].locals[0].dims[0]: upper bound 'NN' names no integer variable"},
    {"/routines/0/locals/0/dims/0/0", R"("MV")",
     "routines[0].locals[0].dims[0]: lower bound 'MV' names no integer variable"},
    {"/routines/0/locals/0/dims/0/1", R"("Y")",
     "routines[0].locals[0].value: 2 values given for 3 elements"},
    {"/routines/0/locals/0/dims", "[[5, 3]]",
     "routines[0].locals[0].dims[0]: lower bound 5 is above upper bound 3 + 1"},
    {"/routines/0/locals/0/dims", "[1,1,1,1,1,1,1,1]",
     "routines[0].locals[0].dims: rank 8 is above 7"},
    {"/routines/0/locals/1/dims", "[100000, 100000]",
     "routines[0].locals[1]: 10000000000 elements of 4 bytes overflow the 32-bit address space"},
    {"/routines/0/locals/1/dims", "[200000000]", "would exceed 256 MiB"},
    {"/routines/0/locals/1/dims", R"(["*"])",
     "routines[0].locals[1].dims[0]: only an argument can be assumed-size"},
    {"/routines/0/arguments/0/type", R"("integer_2")",
     "routines[0].locals[0].dims[0]: upper bound 'N' must be INTEGER*4"},
    // Values.
    {"/routines/0/locals/-", R"({"name": "I", "type": "integer_1", "value": 300})",
     "routines[0].locals[2].value: integer 300 out of range [-128, 255]"},
    {"/routines/0/locals/-", R"({"name": "F", "type": "real_4", "value": 1e39})",
     "routines[0].locals[2].value: value 1e+39 does not fit REAL*4"},
    {"/routines/0/locals/1/value", R"({"hex": "0102"})",
     "routines[0].locals[1].value.hex: 2 bytes given, 4 expected"},
    {"/routines/0/locals/1/value", R"({"hex": "zz"})",
     "routines[0].locals[1].value.hex: invalid hex"},
    {"/routines/1/locals/0/value", "4",
     "routines[1].locals[0].value: only the routine the program is stopped in (R) has a frame"},
    {"/routines/0/locals/-", R"({"name": "K", "type": "integer_4", "parameter": true})",
     "routines[0].locals[2].value: missing (a PARAMETER needs its value)"},
    {"/routines/0/locals/-", R"({"name": "O", "type": "object:K", "value": "nobody"})",
     "routines[0].locals[2].value: names no object: 'nobody'"},
    // Pointers.
    {"/routines/0/locals/-",
     R"({"name": "P", "type": "real_8", "pointer": true, "target": "NOPE"})",
     "routines[0].locals[2].target: target 'NOPE' names no variable of routine R"},
    {"/routines/0/locals/-", R"({"name": "P", "type": "real_8", "pointer": true, "target": "Y"})",
     "target 'Y' is INTEGER*4, the POINTER is REAL*8"},
    {"/routines/0/locals/-", R"({"name": "P", "type": "real_8", "target": "X"})",
     "routines[0].locals[2].target: only a POINTER has a target"},
    // Duplicates.
    {"/routines/0/locals/-", R"({"name": "y", "type": "integer_4"})", "duplicate local 'y'"},
    {"/routines/0/locals/-", R"({"name": "MV", "type": "integer_4"})",
     "name 'MV' is declared twice in routine R"},
    {"/modules/-", R"({"name": "m"})", "modules[1].name: duplicate module 'm'"},
    {"/routines/0/statics/-", R"({"name": "X", "type": "integer_4"})", "declared twice"},
    // The escape hatch.
    {"/raw", R"({"memory": [{"address": "0x20000000", "hex": "0102"},
                            {"address": "0x20000001", "hex": "03"}]})",
     "raw.memory[1]: the region overlaps raw.memory[0]"},
    {"/raw", R"({"memory": [{"address": "0x10000000", "hex": "00"}]})",
     "raw.memory[0]: the region overlaps the storage of module M"},
    {"/raw", R"({"memory": [{"address": 4096, "hex": "00"}]})",
     "raw.memory[0].address: integer 4096 out of range"},
    {"/raw", R"({"failures": [{"field": "Y", "op": "Frobnicate", "hresult": 1}]})",
     "raw.failures[0].op: unknown operation 'Frobnicate'"},
    {"/raw", R"({"failures": [{"field": "NOBODY", "op": "Bind", "hresult": 1}]})",
     "raw.failures[0].field: names no field: 'NOBODY'"},
    {"/raw", R"({"records": [{"routine": "S", "hex": "00"}]})",
     "raw.records[0].routine: names no routine: 'S'"},
    {"/raw", R"({"attributes": [{"module": "M", "blob": "0"}]})",
     "raw.attributes[0].blob: invalid hex"},
    {"/raw", R"({"omit": ["~DebugInfoName~"]})",
     "raw.omit[0]: the program class has no member '~DebugInfoName~'"},
    // Host types and spelled-out bytes of .NET fields.
    {"/classes/0/fields/-", R"({"name": "G", "type": "K", "hostType": {"name": "x", "size": 4}})",
     "classes[0].fields[1].hostType: only primitive and string fields take a hostType"},
    {"/objects/0/fields", R"({"F": {"hex": "01"}})",
     "objects[0].fields.F: only static fields take {\"hex\": ...}"},
};

TEST(SnapshotErrors, MalformedSnapshotsNameThePlace) {
    for (const ErrorCase& c : kCases) {
        nlohmann::json doc = nlohmann::json::parse(kBase);
        doc[nlohmann::json::json_pointer(c.pointer)] = nlohmann::json::parse(c.json);
        HostProgram p;
        std::string error;
        EXPECT_FALSE(LoadSnapshot(doc.dump(), &p, &error)) << c.pointer << " = " << c.json;
        EXPECT_NE(error.find(c.message), std::string::npos)
            << c.pointer << " = " << c.json << "\n  got: " << error;
        EXPECT_TRUE(p.fields.empty()) << c.pointer;
    }
}

struct FileCase {
    const char* file;
    const char* message;
};

// Malformed snapshot files kept with the test data.
const FileCase kFiles[] = {
    {"bad-syntax.json", "not valid JSON"},
    {"bad-bound.json", "routines[0].locals[3].dims[1]: upper bound 'NX' names no integer variable"},
    {"bad-target.json", "modules[0].variables[1].target: target 'ORIGIN' names no variable"},
    {"bad-overlap.json", "raw.memory[1]: the region overlaps raw.memory[0]"},
    {"bad-common.json", "commons[1].address: differs from the address of another instance"},
};

TEST(SnapshotErrors, MalformedFiles) {
    for (const FileCase& c : kFiles) {
        HostProgram p;
        std::string error;
        EXPECT_FALSE(LoadSnapshotFile(SnapshotPath(c.file), &p, &error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.file << "\n  got: " << error;
    }
}

TEST(SnapshotErrors, NotJsonAtAll) {
    for (const char* text : {"", "{", "[1, 2", "nul", "{\"format\": }"}) {
        HostProgram p;
        std::string error;
        EXPECT_FALSE(LoadSnapshot(text, &p, &error)) << text;
        EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;
    }
    HostProgram p;
    std::string error;
    EXPECT_FALSE(LoadSnapshot("[]", &p, &error));
    EXPECT_EQ(error, "expected an object, found an array");
}

} // namespace
} // namespace orvel::sim::test
