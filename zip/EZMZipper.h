#pragma once
// The component's exception: an error code and its message from the component's message table.
// Operations catch it themselves and turn it into ErrCode / ErrMessage.
#include <exception>

#include "platform/types.h"

class EZMZipper : public std::exception {
  public:
    // The table's text for the code, as it stands.
    explicit EZMZipper(int code);
    // The table's text for the code used as a format, filled with one or two arguments.
    EZMZipper(int code, const AnsiString& arg1);
    EZMZipper(int code, const AnsiString& arg1, const AnsiString& arg2);

    // A code with a message of the caller's own (e.g. one reported by the engine).
    static EZMZipper WithMessage(int code, const AnsiString& message);

    // Negative codes between -11603 and -10096 are kept as their absolute value.
    int Code() const { return code_; }
    const AnsiString& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    struct Raw {};
    EZMZipper(Raw, int code, const AnsiString& message);

    int code_;
    AnsiString message_;
};
