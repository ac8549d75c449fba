// The tool's commands, one table row each: what the command line may give it, and the
// function that runs it over an open session. A new command is one more row and one
// more function.
#pragma once

#include <string>

#include "CommandLine.h"
#include "HostSession.h"
#include "OutputBuffer.h"

struct Command {
    const char* name;     // "" for the run without a command
    const char* synopsis; // for --help; null keeps the row out of it
    const char* summary;
    const char* operands; // what the operands are, for complaints: "an expression"
    int minOperands;
    int maxOperands;        // -1: no limit
    bool takesExpandLimits; // --depth and --max-rows
    bool takesFilter;       // --filter
    // The exit status (see UsageText).
    int (*run)(const CommandLine& options, HostSession& session, OutputBuffer& out);
    // Instead of run, for a command that opens its sessions itself.
    int (*serve)(const CommandLine& options);
};

// The command of that name, or null.
const Command* FindCommand(const std::string& name);

// Empty when the command line suits the command, else the one-line complaint.
std::string CheckOperands(const Command& command, const CommandLine& options);

// The usage text, the commands listed from the table.
std::string UsageText();
