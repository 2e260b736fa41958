// Keeps the static C++ runtime's heavier parts out of the stub.
#include <cstdlib>

namespace __gnu_cxx {
// The default terminate handler prints the demangled type of the exception,
// which links the whole demangler (tens of KB). The stub never expects to get
// here, and a plain abort is all a user could use.
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
