// SetUp.exe ends at once where the C++ runtime would raise an error that nothing catches.
//
// No exception crosses this program: an out-of-range index or an exhausted heap is a fault that
// ends it either way. The runtime's versions of these functions build exception objects around
// strings of a second string implementation, and its default terminate handler prints the
// demangled type to a console a GUI program does not have; together they pull in about a fifth of
// the binary. Defined here, in the program itself rather than a library, they replace the
// runtime's for SetUp.exe only; the test programs keep the real ones.

#include <bits/functexcept.h>
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() {
    std::abort();
}
void __throw_bad_alloc() {
    std::abort();
}
void __throw_bad_array_new_length() {
    std::abort();
}
void __throw_bad_cast() {
    std::abort();
}
void __throw_bad_typeid() {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_domain_error(const char*) {
    std::abort();
}
void __throw_invalid_argument(const char*) {
    std::abort();
}
void __throw_length_error(const char*) {
    std::abort();
}
void __throw_out_of_range(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
void __throw_runtime_error(const char*) {
    std::abort();
}
void __throw_range_error(const char*) {
    std::abort();
}
void __throw_overflow_error(const char*) {
    std::abort();
}
void __throw_underflow_error(const char*) {
    std::abort();
}
}  // namespace std
