# The product's one version. `cmake -DBRELIX_VERSION=2025.1.0` builds every program of that version:
# the title, the version resources and manifests, the Programs and Features entry, the record and
# the log all take it from here.
set(BRELIX_VERSION "2024.3.27" CACHE STRING "Product version: major.minor.patch, each 0 to 65535")

# brelix_version_folder(<version> <folder>): writes brelix_version.h and the two manifests for
# <version> into <folder>, which the code and the resource scripts of that version include.
function(brelix_version_folder version folder)
    if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
        message(FATAL_ERROR "Version '${version}' is not major.minor.patch")
    endif()
    set(BRELIX_VERSION ${version})
    set(BRELIX_VERSION_MAJOR ${CMAKE_MATCH_1})
    set(BRELIX_VERSION_MINOR ${CMAKE_MATCH_2})
    set(BRELIX_VERSION_PATCH ${CMAKE_MATCH_3})
    foreach(field IN ITEMS MAJOR MINOR PATCH)
        # No leading zero: "2024.03.27" would be another text for the same version.
        if(BRELIX_VERSION_${field} GREATER 65535 OR BRELIX_VERSION_${field} MATCHES "^0[0-9]")
            message(FATAL_ERROR "Version '${version}': each field is a number from 0 to 65535")
        endif()
    endforeach()
    set(in ${CMAKE_SOURCE_DIR}/res/version)
    configure_file(${in}/brelix_version.h.in ${folder}/brelix_version.h @ONLY)
    configure_file(${in}/SetUp.manifest.in ${folder}/SetUp.manifest @ONLY)
    configure_file(${in}/BrelixUser.manifest.in ${folder}/BrelixUser.manifest @ONLY)
endfunction()

# The version's code: BuiltVersion(), compiled against one version folder.
function(brelix_version_library name kind folder)
    add_library(${name} ${kind} ${CMAKE_SOURCE_DIR}/state/version/built_version.cpp)
    target_include_directories(${name} PRIVATE ${folder})
    target_link_libraries(${name} PRIVATE brelix_options brelix_shipped_code)
endfunction()
