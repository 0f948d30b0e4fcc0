#pragma once
// Filling the placeholders of a user-interface text: %s, %d (with an optional minus, width and
// ".precision" as in "%-5d" or "%.3d") and %%. Texts come from language packs, so a pattern that
// does not fit its arguments is normal input: a placeholder without an argument gives nothing,
// a number for %s gives its decimal text, a text for %d is put in as it is, and an unknown
// placeholder is copied through unchanged.
#include <cstdint>
#include <initializer_list>

#include "platform/types.h"

class TFormatArg {
  public:
    TFormatArg(const UString& text) : is_text_(true), text_(text) {}  // NOLINT: implicit on purpose
    TFormatArg(const char16_t* text) : is_text_(true), text_(text) {}  // NOLINT
    TFormatArg(int32_t n) : number_(n) {}                              // NOLINT
    TFormatArg(int64_t n) : number_(n) {}                              // NOLINT

    bool IsText() const { return is_text_; }
    const UString& Text() const { return text_; }
    int64_t Number() const { return number_; }

  private:
    bool is_text_ = false;
    UString text_;
    int64_t number_ = 0;
};

UString FormatText(const UString& pattern, std::initializer_list<TFormatArg> args);
