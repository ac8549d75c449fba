#include "simhost/model/HostModel.h"

#include <algorithm>
#include <iterator>

namespace orvel::sim {

namespace {

char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

const char* const kHostOpNames[] = {"GetType", "Bind", "GetValue", "GetMemoryContext"};
static_assert(std::size(kHostOpNames) == static_cast<size_t>(HostOp::Count), "one name per HostOp");

std::string_view SimpleName(std::string_view fullName) {
    size_t dot = fullName.rfind('.');
    return dot == std::string_view::npos ? fullName : fullName.substr(dot + 1);
}

std::string JoinName(const std::string& outer, std::string_view name) {
    if (outer.empty()) return std::string(name);
    std::string s = outer;
    s += '.';
    s += name;
    return s;
}

} // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool NameLess::operator()(std::string_view a, std::string_view b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

const char* HostOpName(HostOp op) {
    size_t i = static_cast<size_t>(op);
    return i < std::size(kHostOpNames) ? kHostOpNames[i] : nullptr;
}

HostOp HostOpFromName(std::string_view name) {
    for (size_t i = 0; i < std::size(kHostOpNames); ++i)
        if (NamesEqual(name, kHostOpNames[i])) return static_cast<HostOp>(i);
    return HostOp::Count;
}

FieldId HostProgram::AddField(HostField field) {
    fields.push_back(std::move(field));
    return static_cast<FieldId>(fields.size() - 1);
}

ValueId HostProgram::AddValue(HostValue value) {
    values.push_back(std::move(value));
    return static_cast<ValueId>(values.size() - 1);
}

FieldId HostProgram::AddClass(std::string_view fullName, FieldId enclosing) {
    HostField f;
    f.form = FieldForm::Class;
    f.name = std::string(SimpleName(fullName));
    f.fullName = std::string(fullName);
    f.typeName = f.fullName;
    f.kind = FIELD_KIND_TYPE | FIELD_TYPE_CLASS;
    f.modifiers = FIELD_MOD_ACCESS_PUBLIC;
    f.size = 4; // a reference
    f.container = IsField(enclosing) ? enclosing : kNoField;
    FieldId id = AddField(std::move(f));
    fields[id].type = id;
    if (IsField(enclosing)) fields[enclosing].members.push_back(id);
    return id;
}

FieldId HostProgram::PrimitiveType(std::string_view name, uint32_t size) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const HostField& f = fields[i];
        if ((f.kind & FIELD_TYPE_PRIMITIVE) && (f.kind & FIELD_KIND_TYPE) && f.fullName == name &&
            f.size == size)
            return static_cast<FieldId>(i);
    }
    HostField f;
    // A managed host names a primitive type by its full name ("System.Int32") even where
    // it gives other types their simple name; evaluators key their type tables on it.
    f.name = std::string(name);
    f.fullName = std::string(name);
    f.typeName = f.fullName;
    f.kind = FIELD_KIND_TYPE | FIELD_TYPE_PRIMITIVE;
    f.modifiers = FIELD_MOD_ACCESS_PUBLIC;
    f.size = size;
    FieldId id = AddField(std::move(f));
    fields[id].type = id;
    return id;
}

FieldId HostProgram::AddMethod(FieldId cls, std::string_view name, uint32_t modifiers) {
    HostField f;
    f.form = FieldForm::Method;
    f.name = std::string(name);
    f.fullName = IsField(cls) ? JoinName(fields[cls].fullName, name) : std::string(name);
    f.typeName = "void";
    f.kind = FIELD_KIND_SYMBOL | FIELD_TYPE_METHOD;
    f.modifiers = modifiers ? modifiers : (FIELD_MOD_ACCESS_PUBLIC | FIELD_MOD_STATIC);
    f.container = IsField(cls) ? cls : kNoField;
    if (IsField(cls) && !(f.modifiers & FIELD_MOD_STATIC)) f.thisClass = cls;
    FieldId id = AddField(std::move(f));
    if (IsField(cls)) fields[cls].members.push_back(id);
    return id;
}

namespace {
HostField DataField(const HostProgram& p, FieldId container, std::string_view name, FieldId type,
                    uint32_t kind, uint32_t modifiers, ValueId value) {
    HostField f;
    f.name = std::string(name);
    f.fullName =
        p.IsField(container) ? JoinName(p.fields[container].fullName, name) : std::string(name);
    f.kind = FIELD_KIND_SYMBOL | kind;
    f.modifiers = modifiers;
    f.container = p.IsField(container) ? container : kNoField;
    f.type = p.IsField(type) ? type : kNoField;
    if (p.IsField(type)) {
        f.typeName = p.fields[type].fullName;
        f.size = p.fields[type].size;
    }
    f.value = value;
    return f;
}
} // namespace

FieldId HostProgram::AddMember(FieldId cls, std::string_view name, FieldId type, uint32_t modifiers,
                               ValueId value, uint32_t extraKind) {
    FieldId id =
        AddField(DataField(*this, cls, name, type, FIELD_SYM_MEMBER | extraKind, modifiers, value));
    if (IsField(cls)) fields[cls].members.push_back(id);
    return id;
}

FieldId HostProgram::AddParameter(FieldId method, std::string_view name, FieldId type,
                                  ValueId value, uint32_t extraKind) {
    FieldId id = AddField(
        DataField(*this, method, name, type, FIELD_SYM_PARAM | extraKind, FIELD_MOD_NONE, value));
    if (IsField(method)) fields[method].parameters.push_back(id);
    return id;
}

FieldId HostProgram::AddLocal(FieldId method, std::string_view name, FieldId type, ValueId value,
                              uint32_t extraKind, uint32_t modifiers) {
    FieldId id = AddField(
        DataField(*this, method, name, type, FIELD_SYM_LOCAL | extraKind, modifiers, value));
    if (IsField(method)) fields[method].locals.push_back(id);
    return id;
}

ValueId HostProgram::AddScalar(std::vector<uint8_t> bytes, std::optional<uint32_t> address) {
    HostValue v;
    v.bytes = std::move(bytes);
    v.address = address;
    return AddValue(std::move(v));
}

ValueId HostProgram::AddString(std::u16string_view text) {
    HostValue v;
    v.form = ValueForm::String;
    for (char16_t c : text) {
        v.bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        v.bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return AddValue(std::move(v));
}

ValueId HostProgram::AddArray(std::vector<ValueId> elements) {
    HostValue v;
    v.form = ValueForm::Array;
    v.elements = std::move(elements);
    return AddValue(std::move(v));
}

void HostProgram::WriteMemory(uint32_t address, const uint8_t* data, size_t size) {
    if (size == 0) return;
    uint64_t end = uint64_t(address) + size;
    // Bytes that fall into existing regions are overwritten there.
    std::vector<bool> done(size, false);
    for (MemoryRegion& r : memory) {
        uint64_t rb = r.base, re = rb + r.bytes.size();
        uint64_t lo = std::max<uint64_t>(rb, address), hi = std::min<uint64_t>(re, end);
        for (uint64_t a = lo; a < hi; ++a) {
            r.bytes[a - rb] = data[a - address];
            done[a - address] = true;
        }
    }
    // The rest becomes new regions, one per uncovered run.
    size_t i = 0;
    while (i < size) {
        if (done[i]) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < size && !done[j])
            ++j;
        MemoryRegion r;
        r.base = static_cast<uint32_t>(address + i);
        r.bytes.assign(data + i, data + j);
        memory.push_back(std::move(r));
        i = j;
    }
}

bool HostProgram::ReadMemory(uint32_t address, uint8_t* data, size_t size) const {
    uint64_t end = uint64_t(address) + size;
    size_t got = 0;
    std::vector<bool> done(size, false);
    for (const MemoryRegion& r : memory) {
        uint64_t rb = r.base, re = rb + r.bytes.size();
        uint64_t lo = std::max<uint64_t>(rb, address), hi = std::min<uint64_t>(re, end);
        for (uint64_t a = lo; a < hi; ++a) {
            if (!done[a - address]) ++got;
            data[a - address] = r.bytes[a - rb];
            done[a - address] = true;
        }
    }
    return got == size;
}

FieldId HostProgram::FindClass(std::string_view fullName) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        const HostField& f = fields[i];
        if (f.form == FieldForm::Class && (f.kind & FIELD_KIND_TYPE) &&
            NamesEqual(f.fullName, fullName))
            return static_cast<FieldId>(i);
    }
    return kNoField;
}

FieldId HostProgram::FindChild(FieldId container, std::string_view name) const {
    if (!IsField(container)) return kNoField;
    const HostField& c = fields[container];
    for (const auto* list : {&c.members, &c.parameters, &c.locals})
        for (FieldId id : *list)
            if (IsField(id) && NamesEqual(fields[id].name, name)) return id;
    return kNoField;
}

std::vector<FieldId> HostProgram::FindMethods(std::string_view fullName) const {
    std::vector<FieldId> out;
    for (size_t i = 0; i < fields.size(); ++i) {
        const HostField& f = fields[i];
        if (f.form == FieldForm::Method && NamesEqual(f.fullName, fullName))
            out.push_back(static_cast<FieldId>(i));
    }
    return out;
}

HRESULT HostProgram::InjectedResult(FieldId field, HostOp op) const {
    if (!IsField(field)) return S_OK;
    const HostField& f = fields[field];
    for (const InjectedFailure& x : failures)
        if (x.op == op && NamesEqual(x.field, f.fullName)) return x.result;
    for (const InjectedFailure& x : failures)
        if (x.op == op && NamesEqual(x.field, f.name)) return x.result;
    return S_OK;
}

} // namespace orvel::sim
