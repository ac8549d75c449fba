#include "CommandLine.h"

#include <cerrno>
#include <cstdlib>

namespace {

// A whole decimal number no larger than limit.
bool ReadCount(const std::string& text, uint64_t limit, uint64_t* value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || number > limit) return false;
    *value = number;
    return true;
}

} // namespace

bool CommandLine::Parse(const std::vector<std::string>& args, std::string* error) {
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h")) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value or --name value.
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool inlineValue = equals != std::string::npos;
        const auto takeValue = [&](std::string* value) {
            if (inlineValue) {
                *value = arg.substr(equals + 1);
                return true;
            }
            if (i + 1 >= args.size()) {
                *error = "option '" + name + "' needs a value";
                return false;
            }
            *value = args[++i];
            return true;
        };
        const auto flag = [&](bool* target) {
            if (inlineValue) {
                *error = "option '" + name + "' takes no value";
                return false;
            }
            *target = true;
            return true;
        };
        std::string value;
        if (name == "-h" || name == "--help") {
            if (!flag(&help)) return false;
        } else if (name == "--version") {
            if (!flag(&version)) return false;
        } else if (name == "--json") {
            if (!flag(&json)) return false;
        } else if (name == "--trace") {
            if (!flag(&trace)) return false;
        } else if (name == "--snapshot") {
            if (!takeValue(&snapshot)) return false;
            if (snapshot.empty()) {
                *error = "option '--snapshot' needs a file name";
                return false;
            }
        } else if (name == "--activate") {
            if (!takeValue(&value)) return false;
            if (value == "beside") {
                activation = Activation::Beside;
            } else if (value == "registry") {
                activation = Activation::Registry;
            } else {
                *error = "option '--activate' takes 'beside' or 'registry', not '" + value + "'";
                return false;
            }
        } else if (name == "--depth") {
            uint64_t levels = 0;
            if (!takeValue(&value)) return false;
            if (!ReadCount(value, 1000, &levels)) {
                *error = "option '--depth' takes a number from 0 to 1000, not '" + value + "'";
                return false;
            }
            depth = static_cast<int>(levels);
            depthGiven = true;
        } else if (name == "--max-rows") {
            if (!takeValue(&value)) return false;
            if (!ReadCount(value, UINT64_MAX, &maxRows)) {
                *error = "option '--max-rows' takes a whole number, not '" + value + "'";
                return false;
            }
            maxRowsGiven = true;
        } else if (name == "--filter") {
            if (!takeValue(&value)) return false;
            if (!FindLocalsFilter(value, &filter)) {
                *error =
                    "option '--filter' takes " + LocalsFilterNames(", ") + ", not '" + value + "'";
                return false;
            }
            filterGiven = true;
        } else {
            *error = "unknown option '" + name + "'";
            return false;
        }
    }
    if (!positional.empty()) {
        command = positional.front();
        operands.assign(positional.begin() + 1, positional.end());
    }
    return true;
}
