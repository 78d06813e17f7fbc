#pragma once

// The service program's switches: a word after "-" or "/" at the start of an argument, matched
// whole and without regard to case; the first argument that names a switch wins.
enum class ServiceSwitch {
    kNone,
    kRegServer,
    kRegServerPerUser,
    kUnregServer,
    kUnregServerPerUser,
    kService,
    kRun,
};

ServiceSwitch ParseServiceSwitch(const char* commandLine);
