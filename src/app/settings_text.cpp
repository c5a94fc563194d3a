#include "app/settings_text.h"

#include <cwctype>

namespace {

const wchar_t kRegHeader[] = L"Windows Registry Editor Version 5.00";
const wchar_t kRegHeader4[] = L"REGEDIT4";

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

std::wstring Trimmed(const std::wstring& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == L' ' || s[a] == L'\t' || s[a] == L'\r')) ++a;
    while (b > a && (s[b - 1] == L' ' || s[b - 1] == L'\t' || s[b - 1] == L'\r')) --b;
    return s.substr(a, b - a);
}

// A quoted text from at, with \\ and \" escapes; at ends after the quote.
bool ReadQuoted(const std::wstring& line, size_t& at, std::wstring& out) {
    if (at >= line.size() || line[at] != L'"') return false;
    for (++at; at < line.size(); ++at) {
        const wchar_t c = line[at];
        if (c == L'"') {
            ++at;
            return true;
        }
        if (c == L'\\') {
            if (++at >= line.size() || (line[at] != L'\\' && line[at] != L'"')) return false;
        }
        out.push_back(line[at]);
    }
    return false;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// One value line; the problem, if any, otherwise none and the value.
bool ParseValueLine(const std::wstring& line, int number, TNamedValue& value, TLineProblem& problem) {
    problem = {number, TTextProblem::NotAValue, {}};
    size_t at = 0;
    std::wstring name;
    if (line[0] == L'"') {
        if (!ReadQuoted(line, at, name)) return false;
    } else {
        at = line.find(L'=');
        if (at == std::wstring::npos) return false;
        name = Trimmed(line.substr(0, at));
    }
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    if (name.empty() || at >= line.size() || line[at] != L'=') return false;
    ++at;
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    problem.Name = name;
    value.Name = name;
    value.Value.Line = number;
    const std::wstring rest = line.substr(at);
    if (!rest.empty() && rest[0] == L'"') {
        size_t q = 0;
        std::wstring text;
        problem.Problem = TTextProblem::BadString;
        if (!ReadQuoted(rest, q, text) || !Trimmed(rest.substr(q)).empty()) return false;
        value.Value.Type = TStoredValue::String;
        value.Value.Str = text;
        return true;
    }
    const std::wstring kDword = L"dword:";
    if (rest.size() < kDword.size() || !SameNoCase(rest.substr(0, kDword.size()), kDword)) {
        problem.Problem = TTextProblem::UnknownType;
        return false;
    }
    const std::wstring digits = Trimmed(rest.substr(kDword.size()));
    problem.Problem = TTextProblem::BadNumber;
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t n = 0;
    for (wchar_t c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    value.Value.Type = TStoredValue::Integer;
    value.Value.Int = n;
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// wchar_t is 16 bits on Windows and 32 elsewhere: code points either way.
std::vector<std::uint32_t> CodePoints(const std::wstring& text) {
    std::vector<std::uint32_t> out;
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        out.push_back(c);
    }
    return out;
}

void AppendCodePoint(std::wstring& out, std::uint32_t c) {
    if (c >= 0x10000 && sizeof(wchar_t) == 2) {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
        return;
    }
    out.push_back(static_cast<wchar_t>(c));
}

bool DecodeUtf8(const std::string& bytes, size_t from, std::wstring& text) {
    for (size_t i = from; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= bytes.size() + (extra == 0 ? 1 : 0)) return false;
        std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char n = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((n & 0xC0) != 0x80) return false;
            c = (c << 6) | (n & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        AppendCodePoint(text, c);
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

std::string Utf16Le(const std::wstring& text) {
    std::string out = "\xFF\xFE";
    for (std::uint32_t c : CodePoints(text)) {
        std::uint32_t units[2] = {c, 0};
        int n = 1;
        if (c >= 0x10000) {
            units[0] = 0xD800 + ((c - 0x10000) >> 10);
            units[1] = 0xDC00 + ((c - 0x10000) & 0x3FF);
            n = 2;
        }
        for (int k = 0; k < n; ++k) {
            out.push_back(static_cast<char>(units[k] & 0xFF));
            out.push_back(static_cast<char>(units[k] >> 8));
        }
    }
    return out;
}

std::wstring Escaped(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s) {
        if (c == L'\\' || c == L'"') out.push_back(L'\\');
        out.push_back(c);
    }
    return out;
}

}  // namespace

bool DecodeSettingsBytes(const std::string& bytes, std::wstring& text) {
    text.clear();
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) return false;
        std::wstring units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        for (std::uint32_t c : CodePoints(units)) AppendCodePoint(text, c);
        return true;
    }
    const bool bom = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (DecodeUtf8(bytes, bom ? 3 : 0, text)) return true;
    text.clear();
    return false;
}

TSettingsText ParseSettingsText(const std::wstring& text, bool regFile, const std::wstring& key) {
    TSettingsText out;
    bool inKey = !regFile, headerSeen = !regFile;
    int number = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = Trimmed(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line == kRegHeader || line == kRegHeader4) continue;
            out.Problems.push_back({number, TTextProblem::NotRegFile, {}});
            return out;
        }
        if (line[0] == L'[') {
            const std::wstring section = line.back() == L']' ? line.substr(1, line.size() - 2) : line;
            inKey = SameNoCase(section, key);
            if (!inKey) out.Problems.push_back({number, TTextProblem::ForeignKey, section});
            continue;
        }
        if (!inKey) continue;  // already said of its section
        TNamedValue value;
        TLineProblem problem;
        if (ParseValueLine(line, number, value, problem))
            out.Values.push_back(value);
        else
            out.Problems.push_back(problem);
    }
    if (regFile && !headerSeen) out.Problems.push_back({1, TTextProblem::NotRegFile, {}});
    return out;
}

std::wstring FormatValueLine(const TNamedValue& value) {
    std::wstring line = L"\"" + Escaped(value.Name) + L"\"=";
    if (value.Value.Type == TStoredValue::String) return line + L"\"" + Escaped(value.Value.Str) + L"\"";
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring digits(8, L'0');
    for (int i = 7, n = 0; i >= 0; --i, ++n) digits[static_cast<size_t>(i)] = kHex[(value.Value.Int >> (4 * n)) & 0xF];
    return line + L"dword:" + digits;
}

std::string FormatRegFile(const std::vector<TNamedValue>& values, const std::wstring& rootAndKey) {
    std::wstring text = std::wstring(kRegHeader) + L"\r\n\r\n[" + rootAndKey + L"]\r\n";
    for (const TNamedValue& v : values) text += FormatValueLine(v) + L"\r\n";
    return Utf16Le(text + L"\r\n");
}

std::string FormatIniFile(const std::vector<TNamedValue>& values, const std::wstring& section) {
    std::wstring text = L"[" + section + L"]\r\n";
    for (const TNamedValue& v : values) text += FormatValueLine(v) + L"\r\n";
    std::string out = "\xEF\xBB\xBF";
    for (std::uint32_t c : CodePoints(text)) AppendUtf8(out, c);
    return out;
}
