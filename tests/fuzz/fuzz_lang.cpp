// Language pack: parse, then look texts up the way the wizard does.
#include <string>

#include "lang/ulng.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kSmallCap) return 0;
    TLanguages languages;
    if (!languages.LoadFromString(AnsiString(reinterpret_cast<const char*>(data), size))) return 0;
    languages.GetText(u"1", u"", u"default");
    languages.GetText(u"4", u"en", u"default");
    languages.SetCurrentLanguage("de");
    languages.GetCurrentText(u"5", u"default");
    languages.GetTextById(10, u"default");
    if (const auto* list = languages.LanguageList()) (void)list->size();
    return 0;
}
