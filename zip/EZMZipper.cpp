#include "zip/EZMZipper.h"

#include <string>

#include "zip/ZMMessages.h"

namespace {

int StoredCode(int code) { return code <= -10096 && code >= -11603 ? -code : code; }

// The table's text; for a code it lacks, message 10125 filled with the code, so the exception
// always says something a person can act on.
AnsiString Template(int code) {
    AnsiString s = ZMLoadStr(code);
    if (s.empty()) s = ZMFormat(ZMLoadStr(zmmsg::UnknownError), {std::to_string(code)});
    return s;
}

}  // namespace

EZMZipper::EZMZipper(int code) : code_(StoredCode(code)), message_(Template(code_)) {}

EZMZipper::EZMZipper(int code, const AnsiString& arg1)
    : code_(StoredCode(code)), message_(ZMFormat(Template(code_), {arg1})) {}

EZMZipper::EZMZipper(int code, const AnsiString& arg1, const AnsiString& arg2)
    : code_(StoredCode(code)), message_(ZMFormat(Template(code_), {arg1, arg2})) {}

EZMZipper::EZMZipper(Raw, int code, const AnsiString& message)
    : code_(StoredCode(code)), message_(message) {}

EZMZipper EZMZipper::WithMessage(int code, const AnsiString& message) {
    return EZMZipper(Raw{}, code, message);
}
