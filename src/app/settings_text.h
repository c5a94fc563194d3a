// The settings as text: the file beside the program in portable mode, and
// the files of export and import. One line a value, as the registry's own
// export writes it ("Name"=dword:0000c041, "Dir"="D:\\Music"), so that a
// file of either kind reads the same way. No system calls here: the readers
// take files from anywhere and are fuzzed on their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TStoredValue {
    enum TType { Integer, String, Bad } Type = Bad;
    std::uint32_t Int = 0;
    std::wstring Str;
    int Line = 0;  // where it was read, 0 when made by the program
};

struct TNamedValue {
    std::wstring Name;
    TStoredValue Value;
};

// What is wrong with a line, for the user's message.
enum class TTextProblem {
    NotAValue,      // no "name"=value
    UnknownType,    // hex:, a deletion, a type the program does not use
    BadNumber,      // dword: without 1-8 hex digits
    BadString,      // an unclosed quote or a bad escape
    ForeignKey,     // a value under another key than the program's
    NotRegFile,     // an export of the registry without its first line
};

struct TLineProblem {
    int Line;
    TTextProblem Problem;
    std::wstring Name;  // when the line names a value
};

struct TSettingsText {
    std::vector<TNamedValue> Values;
    std::vector<TLineProblem> Problems;
};

// The bytes of a file as text: UTF-16 with its mark, UTF-8 with or without
// it. False when the bytes are none of these (the caller may read them in
// the system's code page).
bool DecodeSettingsBytes(const std::string& bytes, std::wstring& text);

// regFile: the registry's export format, which begins with its own line and
// names the key; otherwise the portable file, whose one section is optional.
TSettingsText ParseSettingsText(const std::wstring& text, bool regFile, const std::wstring& key);

std::wstring FormatValueLine(const TNamedValue& value);
// The registry export: UTF-16 with its mark, as regedit writes it.
std::string FormatRegFile(const std::vector<TNamedValue>& values, const std::wstring& rootAndKey);
// The portable file: UTF-8 with its mark.
std::string FormatIniFile(const std::vector<TNamedValue>& values, const std::wstring& section);
