// Compiled once for each version a build makes programs of: brelix_version.h comes from the version
// folder CMake wrote (cmake/version.cmake).
#include "brelix_version.h"
#include "state/product_version.h"

namespace state {

ProductVersion BuiltVersion() {
    return {BRELIX_VERSION_MAJOR, BRELIX_VERSION_MINOR, BRELIX_VERSION_PATCH};
}

}  // namespace state
