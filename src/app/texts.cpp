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

std::wstring Text(TTextId id, const std::wstring& argument) {
    std::wstring text = Text(id);
    const std::size_t at = text.find(L"%1");
    if (at != std::wstring::npos) text.replace(at, 2, argument);
    return text;
}
