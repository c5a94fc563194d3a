// The program's command line: one action by its stored value's name
// (/PlayNext, /FDel, ...), /Show, /Exit, /? and /Help, case-insensitive.
#pragma once

#include <string>

// The exit codes of a start with a command.
enum TCommandExit : int {
    cmdDone = 0,
    cmdStartFailed = 1,
    cmdUnknown = 2,   // not an action, or more than one argument
    cmdNoAnswer = 3,  // a running copy that did not answer
    cmdBusy = 4,      // the running copy is still carrying out an earlier command
};

struct TCommand {
    enum TKind { None, Help, Action, Show, Exit, Bad } Kind = None;
    int Number = 0;      // 1..33 for an action
    std::wstring Text;   // the argument as given
};

// The arguments after the program's name.
TCommand ParseCommandLine(const std::wstring& arguments);
// The list of commands and exit codes, in the language of the moment.
std::wstring CommandHelp();
