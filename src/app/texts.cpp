#include "app/texts.h"

const std::array<TLanguageInfo, 2> kLanguages = {{
    {TLanguage::Russian, L"ru", &kRussianTexts},
    {TLanguage::English, L"en", &kEnglishTexts},
}};

namespace {
TLanguage GLanguage = TLanguage::Russian;

const TLanguageInfo& Info(TLanguage language) noexcept {
    for (const TLanguageInfo& l : kLanguages)
        if (l.Language == language) return l;
    return kLanguages[0];
}
}  // namespace

TLanguage CurrentLanguage() noexcept { return GLanguage; }
void SetCurrentLanguage(TLanguage language) noexcept { GLanguage = language; }
const wchar_t* LanguageCode(TLanguage language) noexcept { return Info(language).Code; }

bool LanguageFromCode(const std::wstring& code, TLanguage& language) noexcept {
    for (const TLanguageInfo& l : kLanguages)
        if (code == l.Code) {
            language = l.Language;
            return true;
        }
    return false;
}

const wchar_t* Text(TTextId id, TLanguage language) noexcept {
    return (*Info(language).Texts)[static_cast<std::size_t>(id)].Text;
}

const wchar_t* Text(TTextId id) noexcept { return Text(id, GLanguage); }

namespace {
void Fill(std::wstring& text, const wchar_t* mark, const std::wstring& argument) {
    const std::size_t at = text.find(mark);
    if (at != std::wstring::npos) text.replace(at, 2, argument);
}
}  // namespace

std::wstring Text(TTextId id, const std::wstring& argument) {
    std::wstring text = Text(id);
    Fill(text, L"%1", argument);
    return text;
}

// The second goes in first: the first is a file name, which may hold a "%2"
// of its own.
std::wstring Text(TTextId id, const std::wstring& argument1, const std::wstring& argument2) {
    std::wstring text = Text(id);
    const std::size_t second = text.find(L"%2");
    if (second != std::wstring::npos) text.replace(second, 2, argument2);
    Fill(text, L"%1", argument1);
    return text;
}
