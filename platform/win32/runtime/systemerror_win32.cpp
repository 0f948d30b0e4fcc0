// A smaller stand-in for the helper of the static C++ runtime that throws std::system_error (a
// mutex or thread the system refused), for the Windows programs without C++ streams: the
// installer and the engine library (see their CMakeLists.txt). The runtime's builds the exception
// from a reference-counted string and drags in a second complete string implementation (about
// 50 KB); here it is one small exception with a fixed message. A program with streams carries the
// runtime's own definition anyway and must not link this one as well.
#include <exception>

namespace {

class SystemFailure : public std::exception {
  public:
    const char* what() const noexcept override { return "the system refused a thread resource"; }
};

}  // namespace

namespace std {
void __throw_system_error(int) { throw SystemFailure(); }
}  // namespace std
