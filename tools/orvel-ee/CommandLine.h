// The tool's arguments: options anywhere, the first operand the command, the rest its
// operands. Only long options (and -h), so that an expression such as -N or -7/2 is
// never taken for one; after "--" everything is an operand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LocalsFilter.h"

enum class Activation {
    Beside,   // the module file next to the tool, else ORVEL_MODULE_PATH
    Registry, // the module registered for the evaluator's class id
};

class CommandLine {
public:
    // UTF-8 arguments without the program name. False with *error set (one line, no
    // program name) when they cannot be read.
    bool Parse(const std::vector<std::string>& args, std::string* error);

    bool help = false;
    bool version = false;
    bool json = false;
    bool trace = false;
    std::string snapshot; // empty: the built-in demo
    Activation activation = Activation::Beside;

    // The options only some commands take, and whether they were given.
    int depth = 1;
    bool depthGiven = false;
    uint64_t maxRows = 100;
    bool maxRowsGiven = false;
    LocalsFilter filter = LocalsFilter::LocalsPlusArgs;
    bool filterGiven = false;

    std::string command; // empty: none given
    std::vector<std::string> operands;
};
