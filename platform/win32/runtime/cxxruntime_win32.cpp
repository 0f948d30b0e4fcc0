// Smaller stand-ins for pieces of the static C++ runtime, linked into every Windows program and
// library of the project (cmake/ZmTargets.cmake). Each one keeps a large part of the runtime out
// of the image without changing what the program does:
//
// - The terminate handler: the runtime's own prints the exception's demangled type name to a
//   console these programs do not have, and pulls in the demangler and a full printf (about
//   70 KB). Terminating stays what it is: abort().
// - The helpers the standard containers call to throw: the runtime's build each exception from a
//   reference-counted string, which drags in a second complete string implementation (about
//   45 KB). Here the error classes without text are thrown as themselves and the others as one
//   small exception whose what() is the same message. The project catches std::bad_alloc and
//   std::exception, never the individual error classes.
// - The string classes: the runtime carries them as whole explicit instantiations, and the linker
//   cannot drop the members nobody calls (the unwind tables, which it must keep, refer to each of
//   them). Only the members in use are instantiated here.
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <typeinfo>

namespace {

class RuntimeFailure : public std::exception {
  public:
    explicit RuntimeFailure(const char* what) : what_(what != nullptr ? what : "runtime error") {}
    const char* what() const noexcept override { return what_; }

  private:
    const char* what_;  // the runtime passes string literals
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* s) { throw RuntimeFailure(s); }
void __throw_domain_error(const char* s) { throw RuntimeFailure(s); }
void __throw_invalid_argument(const char* s) { throw RuntimeFailure(s); }
void __throw_length_error(const char* s) { throw RuntimeFailure(s); }
void __throw_out_of_range(const char* s) { throw RuntimeFailure(s); }
// The format's arguments (an index and a size) are left out of the message.
void __throw_out_of_range_fmt(const char* s, ...) { throw RuntimeFailure(s); }
void __throw_runtime_error(const char* s) { throw RuntimeFailure(s); }
void __throw_range_error(const char* s) { throw RuntimeFailure(s); }
void __throw_overflow_error(const char* s) { throw RuntimeFailure(s); }
void __throw_underflow_error(const char* s) { throw RuntimeFailure(s); }

// The string members the project's programs call out of line. A member missing here is still
// found in the runtime (at the size cost this list avoids); nothing fails to link.
using String = __cxx11::basic_string<char>;
using Size = String::size_type;
template String::basic_string(const String&);
template String::basic_string(String&&) noexcept;
template String::basic_string(const String&, Size, Size);
template void String::_M_dispose();
template char* String::_M_create(Size&, Size);
template void String::_M_construct(Size, char);
template void String::_S_copy(char*, const char*, Size);
template void String::_S_move(char*, const char*, Size);
template void String::_S_assign(char*, Size, char);
template bool String::_M_disjunct(const char*) const noexcept;
template void String::_M_mutate(Size, Size, const char*, Size);
template void String::_M_assign(const String&);
template String& String::_M_replace(Size, Size, const char*, Size);
template String& String::_M_replace_aux(Size, Size, Size, char);
template String& String::_M_append(const char*, Size);
template void String::_M_erase(Size, Size);
template String& String::append(const char*);
template String& String::append(const char*, Size);
template String& String::append(const String&);
template String& String::insert(Size, const char*);
template String& String::insert(Size, const String&);
template String& String::replace(Size, Size, const char*, Size);
template void String::push_back(char);
template void String::reserve(Size);
template void String::resize(Size);
template void String::resize(Size, char);
template void String::swap(String&) noexcept;
template String String::substr(Size, Size) const;
template Size String::find(const char*, Size) const noexcept;
template Size String::find(char, Size) const noexcept;
template Size String::find(const char*, Size, Size) const noexcept;
template int String::compare(const char*) const;
template int String::compare(const String&) const;
template int String::compare(Size, Size, const char*) const;

using WString = __cxx11::basic_string<wchar_t>;
using WSize = WString::size_type;
template void WString::_M_dispose();
template wchar_t* WString::_M_create(WSize&, WSize);
template void WString::_M_construct(WSize, wchar_t);
template void WString::_M_set_length(WSize);
template void WString::_S_assign(wchar_t*, WSize, wchar_t);
template WString& WString::_M_replace_aux(WSize, WSize, WSize, wchar_t);
template void WString::_S_copy(wchar_t*, const wchar_t*, WSize);
template void WString::_S_move(wchar_t*, const wchar_t*, WSize);
template void WString::_M_mutate(WSize, WSize, const wchar_t*, WSize);
template void WString::resize(WSize);
template void WString::resize(WSize, wchar_t);

}  // namespace std

// The copy helpers of the two string classes cannot be named in an explicit instantiation (a
// member template of the same name makes that ambiguous): defined here under the names the
// compiler calls them by, with the body they have in the runtime, and like any instantiation
// merged with the runtime's own copy should that be linked in as well.
#define ZM_STRING_COPY_CHARS(name, Char, From)                                           \
    extern "C" inline __attribute__((used)) void name(Char* to, From* from, From* end) { \
        std::char_traits<Char>::copy(to, from, static_cast<size_t>(end - from));         \
    }
ZM_STRING_COPY_CHARS(_ZNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEE13_S_copy_charsEPcPKcS7_,
                     char, const char)
ZM_STRING_COPY_CHARS(_ZNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEE13_S_copy_charsEPcS5_S5_,
                     char, char)
ZM_STRING_COPY_CHARS(_ZNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEE13_S_copy_charsEPwPKwS7_,
                     wchar_t, const wchar_t)
