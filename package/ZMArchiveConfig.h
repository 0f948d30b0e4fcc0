#pragma once
// The package configuration ("config" block): every key with its value, and the few settings
// the installer acts on. Settings keys are known only by the uppercase hexadecimal MD5 of their
// names, so packages written by any tool keep working:
//   ArchiveId           archive_id                  integer
//   Title               archive_name                text
//   WelcomeText         archive_desc                text
//   TitleFromFileName   (name unknown)              boolean (integer, non-zero is true)
//   LanguageId          langid, language            8-bit text; the later key wins
//   HideRussianLanguage (name unknown)              boolean
#include <cstdint>
#include <memory>

#include "config/ucfg.h"
#include "platform/types.h"

class TZMArchiveSettings {
  public:
    int32_t ArchiveId = 0;
    UString Title;
    UString WelcomeText;
    bool TitleFromFileName = false;
    AnsiString LanguageId;
    bool HideRussianLanguage = false;
};

class TZMArchiveConfig {
  public:
    std::unique_ptr<TConfig> Values;
    std::unique_ptr<TZMArchiveSettings> Settings;

    // Loads the element children of the document element as keys (name) and values (all text
    // inside). False when the text is not well-formed XML or gives no key.
    bool LoadFromXml(const AnsiString& text);
    // Loads key=value lines separated by CR LF. False when no key results.
    bool LoadFromText(const AnsiString& text);
    // Derives Settings from Values (both loads have run it already).
    void ParseSettings();
    // The value of the key (letter case ignored), empty when absent.
    UString GetValue(const AnsiString& name) const;
};

// The digests the settings are recognised by.
namespace zmsettings {
constexpr const char* kArchiveId = "CAB826F594D60B615F9D58799FDBE8A2";
constexpr const char* kTitle = "42059E5042A0EF9FB365BE2EC372B6A0";
constexpr const char* kWelcomeText = "8483488D30AA02E8072EE4F8BA2A38CC";
constexpr const char* kTitleFromFileName = "6639519A17A466E3B450BDD278401B26";
constexpr const char* kLanguageId = "0358669C530FAD0A7B12AB1A73EA3380";
constexpr const char* kLanguageIdAlt = "8512AE7D57B1396273F76FE6ED341A23";
constexpr const char* kHideRussianLanguage = "35711838A298E7C2D9D4846F0753F8B9";
}  // namespace zmsettings
