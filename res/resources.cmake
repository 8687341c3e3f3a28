# The resource scripts of the Windows programs. Include this file, then add ${BRELIX_RESOURCE_SCRIPT}
# (SetUp.exe's page templates, logo, icon, manifest and version) or ${BRELIX_USER_RESOURCE_SCRIPT}
# (BrelixUser.exe's manifest and version) to the target's sources, and ${BRELIX_CARRIED_SCRIPT} to a
# target that carries BrelixUser.exe (with add_dependencies(<target> BrelixUser)). The scripts are
# UTF-8 (#pragma code_page(65001)); windres stores the dialog texts as Unicode, so no code page flag
# is needed. Their bitmap and icon are found through the include path; the manifests and
# brelix_version.h in the version folder (cmake/version.cmake).
enable_language(RC)
set(BRELIX_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(BRELIX_RESOURCE_SCRIPT ${BRELIX_RESOURCE_DIR}/SetUp.rc)
set(BRELIX_USER_RESOURCE_SCRIPT ${BRELIX_RESOURCE_DIR}/BrelixUser.rc)
set_source_files_properties(${BRELIX_RESOURCE_SCRIPT} PROPERTIES
    INCLUDE_DIRECTORIES "${BRELIX_RESOURCE_DIR};${BRELIX_VERSION_FOLDER}"
    OBJECT_DEPENDS "${BRELIX_RESOURCE_DIR}/resource.h;${BRELIX_RESOURCE_DIR}/logo.bmp;${BRELIX_RESOURCE_DIR}/logo150.bmp;${BRELIX_RESOURCE_DIR}/logo200.bmp;${BRELIX_RESOURCE_DIR}/setup.ico;${BRELIX_VERSION_FOLDER}/SetUp.manifest;${BRELIX_VERSION_FOLDER}/brelix_version.h;${BRELIX_RESOURCE_DIR}/version.rc")
set_source_files_properties(${BRELIX_USER_RESOURCE_SCRIPT} PROPERTIES
    INCLUDE_DIRECTORIES "${BRELIX_RESOURCE_DIR};${BRELIX_VERSION_FOLDER}"
    OBJECT_DEPENDS "${BRELIX_VERSION_FOLDER}/BrelixUser.manifest;${BRELIX_VERSION_FOLDER}/brelix_version.h;${BRELIX_RESOURCE_DIR}/version.rc")

# The BrelixUser.exe that SetUp.exe carries: the one this build makes, unless packaging names another
# (the same program, signed: a signature is made before the program goes inside SetUp.exe, since any
# change afterwards would break it).
set(BRELIX_USER_PROGRAM "" CACHE FILEPATH
    "BrelixUser.exe for SetUp.exe to carry (empty: the one this build makes)")
if(BRELIX_USER_PROGRAM)
    get_filename_component(BRELIX_CARRIED_USER_PROGRAM "${BRELIX_USER_PROGRAM}" ABSOLUTE)
    if(NOT EXISTS "${BRELIX_CARRIED_USER_PROGRAM}")
        message(FATAL_ERROR "BRELIX_USER_PROGRAM: ${BRELIX_CARRIED_USER_PROGRAM} does not exist")
    endif()
else()
    set(BRELIX_CARRIED_USER_PROGRAM ${CMAKE_BINARY_DIR}/BrelixUser.exe)
endif()
# Carried packed (scripts/lznt1.py): a third of SetUp.exe's size otherwise. Written out, it is the same
# file byte for byte.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(BRELIX_CARRIED_PACKED ${CMAKE_BINARY_DIR}/BrelixUser.exe.lznt1)
if(NOT TARGET BrelixUserPacked)
add_custom_command(OUTPUT ${BRELIX_CARRIED_PACKED}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/lznt1.py ${BRELIX_CARRIED_USER_PROGRAM}
        ${BRELIX_CARRIED_PACKED}
    DEPENDS ${BRELIX_CARRIED_USER_PROGRAM} ${CMAKE_SOURCE_DIR}/scripts/lznt1.py
    COMMENT "Packing the carried BrelixUser.exe")
add_custom_target(BrelixUserPacked DEPENDS ${BRELIX_CARRIED_PACKED})
endif()
set(BRELIX_CARRIED_SCRIPT ${CMAKE_BINARY_DIR}/carried_files.rc)
configure_file(${BRELIX_RESOURCE_DIR}/carried_files.rc.in ${BRELIX_CARRIED_SCRIPT} @ONLY)
set_source_files_properties(${BRELIX_CARRIED_SCRIPT} PROPERTIES OBJECT_DEPENDS ${BRELIX_CARRIED_PACKED})

# brelix_resource_script_of_version(<version folder> <out variable>): SetUp.exe's resource script for
# the version written into that folder (brelix_version_folder), for a program of another version.
function(brelix_resource_script_of_version folder out)
    file(WRITE ${folder}/SetUp.rc "#include \"${BRELIX_RESOURCE_SCRIPT}\"\n")
    set_source_files_properties(${folder}/SetUp.rc PROPERTIES
        INCLUDE_DIRECTORIES "${BRELIX_RESOURCE_DIR};${folder}"
        OBJECT_DEPENDS "${BRELIX_RESOURCE_SCRIPT};${folder}/SetUp.manifest;${folder}/brelix_version.h")
    set(${out} ${folder}/SetUp.rc PARENT_SCOPE)
endfunction()
