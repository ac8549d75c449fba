#include "simhost/snapshot/ProgramBuilder.h"

#include "simhost/snapshot/DocumentParser.h"

namespace orvel::sim::snapshot {

namespace {

bool IsFrameRole(Role role) {
    return role == Role::Argument || role == Role::Local;
}

bool SameType(const Variable& a, const Variable& b) {
    return a.base == b.base && a.len == b.len && a.assumedLength == b.assumedLength &&
           a.type == b.type && a.cls == b.cls;
}

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

} // namespace

ProgramBuilder::ProgramBuilder(Document& doc, HostProgram* out)
    : m_doc(doc), m_out(*out), m_layouts(doc), m_values(doc, m_layouts, *this) {}

void ProgramBuilder::Build() {
    ReadRawEarly();
    BuildScopes();
    ResolveBoundNames();
    ResolveTargets();
    ComputeShapes();
    PlanStorage();
    BuildHostClasses();
    WriteValues();
    BuildRecords();
    BuildRoutineFields();
    BuildStaticFields();
    BuildAddressTables();
    BuildGlobalNames();
    ApplyRaw();
    LinkClassTypedFields();
    HandOverMemory();
}

std::string ProgramBuilder::ProgramKey(const std::string& member) const {
    // The evaluator qualifies statics with the simple name of the program class.
    const size_t dot = m_doc.program.rfind('.');
    const std::string simple =
        dot == std::string::npos ? m_doc.program : m_doc.program.substr(dot + 1);
    return simple + "." + member;
}

bool ProgramBuilder::InStopFrame(const Variable& var) const {
    auto it = m_info.find(&var);
    return IsFrameRole(var.role) && it != m_info.end() && it->second.scope &&
           it->second.scope->routine == &m_doc.routines[static_cast<size_t>(m_doc.stop)];
}

bool ProgramBuilder::IsArrayVar(const Variable& var) const {
    if (var.hasDims) return true;
    auto it = m_info.find(&var);
    return var.pointer && it != m_info.end() && it->second.target && it->second.target->hasDims;
}

// ---- Scopes --------------------------------------------------------------------------

void ProgramBuilder::Register(const Variable& var, Scope& scope) {
    Info(var).scope = &scope;
    m_order.push_back(&var);
}

void ProgramBuilder::AddToScope(Scope& scope, const Variable& var) {
    auto [it, added] = scope.names.emplace(var.name, &var);
    if (!added)
        Fail(var.path, "name " + Quoted(var.name) + " is declared twice in " + scope.what +
                           " (also at " + it->second->path + ")");
}

Variable& ProgramBuilder::MakeHelper(std::deque<Variable>& store, std::string name, Role role) {
    Variable helper;
    helper.name = std::move(name);
    helper.role = role;
    helper.base = BaseType::Integer4;
    helper.hidden = role == Role::Local; // extent temporaries; lengths hide by their name
    store.push_back(std::move(helper));
    return store.back();
}

bool ProgramBuilder::IsRuntimeBound(const Scope& scope, const Bound& bound) {
    // Bounds named by PARAMETERs become numbers; a name that is not declared is
    // refused later.
    if (bound.kind != Bound::Kind::Name) return false;
    auto it = scope.names.find(bound.name);
    return it == scope.names.end() || !it->second->parameter;
}

void ProgramBuilder::AddRoutineHelpers(const Routine& routine, Scope& scope) {
    std::deque<Variable>& store = m_helpers[&routine];
    for (const Variable& arg : routine.arguments) {
        if (!arg.assumedLength) continue;
        if (arg.hasDims)
            Fail(MemberPath(arg.path, "len"), "an assumed length needs a scalar argument");
        Variable& length = MakeHelper(store, LengthOfName(arg.name), Role::Argument);
        length.path = arg.path;
        AddToScope(scope, length);
        m_lengthOf[&arg] = &length;
        Register(length, scope);
    }
    // Extents held in variables go through compiler temporaries T#1, T#2, …
    int next = 1;
    for (const auto* list : {&routine.arguments, &routine.locals})
        for (const Variable& var : *list) {
            VarInfo& info = Info(var);
            for (const Dimension& dim : var.dims) {
                if (!IsRuntimeBound(scope, dim.lower) && !IsRuntimeBound(scope, dim.upper)) {
                    info.sizeTemps.emplace_back();
                    continue;
                }
                std::string name;
                do
                    name = "T#" + std::to_string(next++);
                while (scope.names.count(name));
                Variable& temp = MakeHelper(store, name, Role::Local);
                temp.path = dim.path;
                AddToScope(scope, temp);
                Register(temp, scope);
                info.sizeTemps.push_back(name);
            }
        }
}

void ProgramBuilder::BuildScopes() {
    for (const Module& module : m_doc.modules) {
        m_scopes.push_back(std::make_unique<Scope>());
        Scope& scope = *m_scopes.back();
        scope.what = "module " + module.name;
        for (const Variable& var : module.variables) {
            AddToScope(scope, var);
            Register(var, scope);
        }
    }
    for (const Common& common : m_doc.commons) {
        m_scopes.push_back(std::make_unique<Scope>());
        Scope& scope = *m_scopes.back();
        scope.what = "COMMON /" + common.name + "/";
        for (const Variable& var : common.members) {
            AddToScope(scope, var);
            Register(var, scope);
        }
    }
    const Routine& stop = m_doc.routines[static_cast<size_t>(m_doc.stop)];
    for (const Routine& routine : m_doc.routines) {
        m_scopes.push_back(std::make_unique<Scope>());
        Scope& scope = *m_scopes.back();
        scope.what = "routine " + routine.name;
        scope.routine = &routine;
        for (const auto* list : {&routine.arguments, &routine.locals, &routine.statics})
            for (const Variable& var : *list) {
                AddToScope(scope, var);
                Register(var, scope);
                if (&routine != &stop && IsFrameRole(var.role) && var.value && !var.parameter)
                    Fail(var.value->Path(), "only the routine the program is stopped in (" +
                                                stop.name + ") has a frame");
            }
        for (int index : routine.commons)
            for (const Variable& member : m_doc.commons[static_cast<size_t>(index)].members)
                AddToScope(scope, member);
        for (int index : routine.uses)
            for (const Variable& var : m_doc.modules[static_cast<size_t>(index)].variables)
                AddToScope(scope, var);
        AddRoutineHelpers(routine, scope);
    }
    // Components have constant shapes of their own.
    for (const DerivedType& type : m_doc.types)
        for (const Variable& component : type.components) {
            VarInfo& info = Info(component);
            for (const Dimension& dim : component.dims)
                info.bounds.emplace_back(dim.lower.number, dim.upper.number);
            info.count = ElementCount(info.bounds);
        }
}

// ---- Bounds held in variables ------------------------------------------------------------

const Variable* ProgramBuilder::BoundVariable(const Scope& scope, const Bound& bound) {
    auto it = scope.names.find(bound.name);
    if (it == scope.names.end()) return nullptr;
    const Variable* var = it->second;
    // Only the routine's own frame or the module itself: those are what a record's
    // bound items can reach.
    const bool reachable =
        scope.routine ? IsFrameRole(var->role) : var->role == Role::ModuleVariable;
    if (!reachable || !IsIntegerBase(var->base) || var->hasDims || var->pointer || var->allocatable)
        return nullptr;
    return var;
}

void ProgramBuilder::ResolveBoundNames() {
    auto resolve = [this](Variable& var) {
        const Scope& scope = *Info(var).scope;
        for (Dimension& dim : var.dims)
            for (Bound* bound : {&dim.lower, &dim.upper}) {
                if (bound->kind != Bound::Kind::Name) continue;
                const std::string which = bound == &dim.lower ? "lower" : "upper";
                const Variable* holder = BoundVariable(scope, *bound);
                if (!holder)
                    Fail(dim.path, which + " bound " + Quoted(bound->name) +
                                       " names no integer variable of " + scope.what);
                if (holder->base != BaseType::Integer4)
                    Fail(dim.path, which + " bound " + Quoted(bound->name) + " must be INTEGER*4");
                if (!holder->parameter) continue;
                // A PARAMETER is a constant: the compiler writes its value.
                std::optional<int64_t> value = ValueEncoder::IntegerOf(*holder);
                if (!value)
                    Fail(dim.path,
                         which + " bound " + Quoted(bound->name) + " has no integer value");
                bound->kind = Bound::Kind::Number;
                bound->number = static_cast<int32_t>(*value);
            }
    };
    // Only arguments, locals and module variables can have bounds held in variables.
    for (Module& module : m_doc.modules)
        for (Variable& var : module.variables)
            resolve(var);
    for (Routine& routine : m_doc.routines) {
        for (Variable& var : routine.arguments)
            resolve(var);
        for (Variable& var : routine.locals)
            resolve(var);
    }
}

// ---- Pointer targets ----------------------------------------------------------------------

const Variable& ProgramBuilder::ResolveTarget(const Scope& scope, const Variable& pointer,
                                              const std::string& name, const std::string& path) {
    auto it = scope.names.find(name);
    if (it == scope.names.end())
        Fail(path, "target " + Quoted(name) + " names no variable of " + scope.what);
    const Variable& target = *it->second;
    if (target.pointer || target.allocatable || target.parameter)
        Fail(path, "target " + Quoted(name) + " is a POINTER, ALLOCATABLE or PARAMETER");
    if (!SameType(pointer, target))
        Fail(path, "target " + Quoted(name) + " is " + BaseTypeText(m_doc, target) +
                       ", the POINTER is " + BaseTypeText(m_doc, pointer));
    if (pointer.hasDims && !target.hasDims)
        Fail(path, "target " + Quoted(name) + " is not an array");
    if (pointer.hasDims && pointer.dims.size() != target.dims.size())
        Fail(path, "target " + Quoted(name) + " has rank " + std::to_string(target.dims.size()) +
                       ", the POINTER rank " + std::to_string(pointer.dims.size()));
    if (!pointer.hasDims && target.hasDims && pointer.role == Role::Component)
        Fail(path, "target " + Quoted(name) + " is an array, the component a scalar");
    return target;
}

void ProgramBuilder::ResolveTargets() {
    for (const Variable* var : m_order) {
        VarInfo& info = Info(*var);
        if (!var->pointer || !var->target) continue;
        info.target =
            &ResolveTarget(*info.scope, *var, *var->target, MemberPath(var->path, "target"));
    }
}

// ---- Shapes ----------------------------------------------------------------------------------

void ProgramBuilder::ComputeShape(const Variable& var) {
    VarInfo& info = Info(var);
    if (var.pointer && !var.hasDims) {
        if (info.target && info.target->hasDims) {
            const VarInfo& target = Info(*info.target);
            info.bounds = target.bounds;
            info.shapeKnown = target.shapeKnown;
            info.count = target.count;
        }
        return;
    }
    if (!var.hasDims) return;
    for (const Dimension& dim : var.dims) {
        int32_t bounds[2] = {dim.lower.number, dim.upper.number};
        const Bound* items[2] = {&dim.lower, &dim.upper};
        for (int i = 0; i < 2; ++i) {
            if (items[i]->kind != Bound::Kind::Name) continue;
            const Variable& holder = *info.scope->names.at(items[i]->name);
            const bool hasFrame = holder.role == Role::ModuleVariable || InStopFrame(holder);
            if (!hasFrame) {
                info.shapeKnown = false;
                continue;
            }
            std::optional<int64_t> value = ValueEncoder::IntegerOf(holder);
            if (!value)
                Fail(dim.path, std::string(i ? "upper" : "lower") + " bound " +
                                   Quoted(items[i]->name) + " has no integer value");
            bounds[i] = static_cast<int32_t>(*value);
        }
        info.bounds.emplace_back(bounds[0], bounds[1]);
    }
    const Dimension& last = var.dims.back();
    if (last.upper.kind == Bound::Kind::Star) {
        if (!InStopFrame(var)) {
            info.shapeKnown = false;
        } else {
            // The actual argument's extent comes from its value.
            std::optional<uint64_t> carried =
                var.value ? ValueEncoder::CarriedCount(*var.value) : std::nullopt;
            if (!carried)
                Fail(MemberPath(var.path, "value"), "an assumed-size argument needs a list of "
                                                    "values or a generator with \"count\"");
            Bounds leading(info.bounds.begin(), info.bounds.end() - 1);
            const uint64_t slice = ElementCount(leading);
            if (slice == 0 || *carried % slice != 0)
                Fail(var.value->Path(), std::to_string(*carried) +
                                            " values do not fill whole columns of " +
                                            std::to_string(slice));
            const int64_t upper =
                int64_t{info.bounds.back().first} + static_cast<int64_t>(*carried / slice) - 1;
            if (upper > INT32_MAX) Fail(var.value->Path(), "too many values");
            info.bounds.back().second = static_cast<int32_t>(upper);
        }
    }
    if (!info.shapeKnown) return;
    for (size_t i = 0; i < info.bounds.size(); ++i)
        if (int64_t{info.bounds[i].first} > int64_t{info.bounds[i].second} + 1)
            Fail(var.dims[i].path, "bounds " + std::to_string(info.bounds[i].first) + ":" +
                                       std::to_string(info.bounds[i].second) +
                                       ": lower bound above upper bound + 1");
    info.count = ElementCount(info.bounds);
    CheckedBytes(info.count, m_layouts.ElementSize(var), var.path);
}

void ProgramBuilder::ComputeShapes() {
    // Targets before the pointers that take their shape.
    for (int pass = 0; pass < 2; ++pass)
        for (const Variable* var : m_order)
            if (var->pointer == (pass == 1)) ComputeShape(*var);
    for (const Variable* var : m_order) {
        const VarInfo& info = Info(*var);
        if (!var->pointer || !var->hasDims || !info.target) continue;
        const VarInfo& target = Info(*info.target);
        if (!info.shapeKnown || !target.shapeKnown) continue;
        for (size_t i = 0; i < info.bounds.size(); ++i)
            if (int64_t{info.bounds[i].second} - info.bounds[i].first !=
                int64_t{target.bounds[i].second} - target.bounds[i].first)
                Fail(var->dims[i].path,
                     "extent differs from that of the target " + Quoted(info.target->name));
    }
    AssignHelperValues();
}

void ProgramBuilder::SetHelperValue(Variable& helper, int64_t value) {
    m_helperValues.emplace_back(value);
    helper.value = JsonNode(m_helperValues.back(), helper.path);
}

void ProgramBuilder::AssignHelperValues() {
    // What the stopped routine computed on entry: hidden lengths and extents.
    const Routine& stop = m_doc.routines[static_cast<size_t>(m_doc.stop)];
    std::deque<Variable>& helpers = m_helpers[&stop];
    auto helper = [&](const std::string& name) -> Variable& {
        for (Variable& var : helpers)
            if (var.name == name) return var;
        Fail(stop.path, "internal: no helper " + name);
    };
    for (const Variable& arg : stop.arguments)
        if (m_lengthOf.count(&arg) && arg.value && arg.value->IsString())
            SetHelperValue(helper(m_lengthOf[&arg]->name),
                           static_cast<int64_t>(arg.value->String().size()));
    for (const auto* list : {&stop.arguments, &stop.locals})
        for (const Variable& var : *list) {
            const VarInfo& info = Info(var);
            if (!info.shapeKnown) continue;
            for (size_t d = 0; d < info.sizeTemps.size(); ++d) {
                if (info.sizeTemps[d].empty()) continue;
                const uint32_t lower = static_cast<uint32_t>(info.bounds[d].first);
                // An assumed-size extent reads back as the upper bound 0x80000000.
                const uint32_t extentLessOne =
                    var.dims[d].upper.kind == Bound::Kind::Star
                        ? 0x80000000u - lower
                        : static_cast<uint32_t>(info.bounds[d].second) - lower;
                SetHelperValue(helper(info.sizeTemps[d]), static_cast<int32_t>(extentLessOne));
            }
        }
}

} // namespace orvel::sim::snapshot
