# The resource script of SetUp.exe, for the Windows targets that need the real page templates,
# logo, icon and manifest. Include this file, then add ${BRELIX_RESOURCE_SCRIPT} to the target's
# sources. The script is UTF-8 (#pragma code_page(65001)); windres stores the dialog texts as
# Unicode, so no code page flag is needed. Its bitmap, icon and manifest are found through the
# include path.
enable_language(RC)
set(BRELIX_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(BRELIX_RESOURCE_SCRIPT ${BRELIX_RESOURCE_DIR}/SetUp.rc)
set_source_files_properties(${BRELIX_RESOURCE_SCRIPT} PROPERTIES
    INCLUDE_DIRECTORIES ${BRELIX_RESOURCE_DIR}
    OBJECT_DEPENDS "${BRELIX_RESOURCE_DIR}/resource.h;${BRELIX_RESOURCE_DIR}/logo.bmp;${BRELIX_RESOURCE_DIR}/setup.ico;${BRELIX_RESOURCE_DIR}/SetUp.manifest;${BRELIX_RESOURCE_DIR}/BrelixUser.manifest")
