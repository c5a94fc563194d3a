// Fuzzes the reader of the settings files (the portable file, exports to
// import) natively. The first byte picks the format; the rest is the file.
// Whatever it reads must come back the same when written and read again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings_text.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

const wchar_t kKey[] = L"HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK";
const wchar_t kSection[] = L"MRWPLOVIK";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool reg = data[0] & 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::wstring text;
    if (!DecodeSettingsBytes(bytes, text)) return 0;
    const TSettingsText first = ParseSettingsText(text, reg, reg ? kKey : kSection);
    for (const TLineProblem& p : first.Problems) Check(p.Line >= 1);
    // What was read is written and read again: the same values, no problem.
    std::wstring again;
    Check(DecodeSettingsBytes(reg ? FormatRegFile(first.Values, kKey) : FormatIniFile(first.Values, kSection), again));
    const TSettingsText second = ParseSettingsText(again, reg, reg ? kKey : kSection);
    Check(second.Problems.empty());
    Check(second.Values.size() == first.Values.size());
    for (std::size_t i = 0; i < first.Values.size(); ++i) {
        const TStoredValue &a = first.Values[i].Value, &b = second.Values[i].Value;
        Check(first.Values[i].Name == second.Values[i].Name && a.Type == b.Type && a.Int == b.Int && a.Str == b.Str);
    }
    return 0;
}
