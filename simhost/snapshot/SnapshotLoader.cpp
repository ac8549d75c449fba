#include "simhost/snapshot/SnapshotLoader.h"

#include <fstream>
#include <new>
#include <sstream>

#include "simhost/snapshot/DocumentParser.h"
#include "simhost/snapshot/ProgramBuilder.h"

namespace orvel::sim {

namespace {

bool Report(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

} // namespace

bool LoadSnapshot(const std::string& jsonText, HostProgram* out, std::string* error) {
    if (!out) return Report(error, "no program to load into");
    // Everything is built into a fresh program and handed over only when complete.
    try {
        const nlohmann::json root = nlohmann::json::parse(jsonText);
        snapshot::Document doc = snapshot::ParseDocument(root);
        HostProgram program;
        snapshot::ProgramBuilder(doc, &program).Build();
        *out = std::move(program);
        return true;
    } catch (const nlohmann::json::parse_error& e) {
        return Report(error, std::string("not valid JSON: ") + e.what());
    } catch (const snapshot::SnapshotError& e) {
        return Report(error, e.what());
    } catch (const std::bad_alloc&) {
        return Report(error, "out of memory while loading the snapshot");
    } catch (const std::exception& e) {
        return Report(error, std::string("snapshot rejected: ") + e.what());
    }
}

bool LoadSnapshotFile(const std::string& path, HostProgram* out, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Report(error, path + ": cannot open the file");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return Report(error, path + ": cannot read the file");
    if (!LoadSnapshot(text.str(), out, error)) {
        if (error) *error = path + ": " + *error;
        return false;
    }
    return true;
}

} // namespace orvel::sim
