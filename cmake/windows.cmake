# The Windows build (cross-compiled with mingw-w64, see mingw-w64.cmake):
# the system's user-interface libraries, and minizip, libcurl and libsodium
# built from Debian's sources by tools/build_windows_deps.sh into
# UPDATER_WINDOWS_DEPS. Tests run under Wine.
set(UPDATER_PLATFORM win)
set(UPDATER_ENTRY_POINT "")
set(UPDATER_WINDOWS_DEPS "" CACHE PATH "Where build_windows_deps.sh put minizip, libcurl and libsodium")
if(NOT EXISTS "${UPDATER_WINDOWS_DEPS}/lib/libsodium.a")
  message(FATAL_ERROR "UPDATER_WINDOWS_DEPS does not hold the built libcurl, minizip and libsodium")
endif()

# Resources (.rc) are compiled with the toolchain's windres.
enable_language(RC)

# Windows 7 and later; wide-character calls throughout.
add_compile_definitions(_WIN32_WINNT=0x0601 _WIN32_IE=0x0800 WINVER=0x0601
                        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

add_library(updater_windows_system INTERFACE)
target_link_libraries(updater_windows_system INTERFACE
  user32 gdi32 shell32 comctl32 ole32 shlwapi version winmm)
set(UPDATER_WINDOWING updater_windows_system)

add_library(CURL::libcurl STATIC IMPORTED)
set_target_properties(CURL::libcurl PROPERTIES
  IMPORTED_LOCATION ${UPDATER_WINDOWS_DEPS}/lib/libcurl.a
  INTERFACE_INCLUDE_DIRECTORIES ${UPDATER_WINDOWS_DEPS}/include
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt;advapi32")

add_library(PkgConfig::MINIZIP STATIC IMPORTED)
set_target_properties(PkgConfig::MINIZIP PROPERTIES
  IMPORTED_LOCATION ${UPDATER_WINDOWS_DEPS}/lib/libminizip.a
  INTERFACE_INCLUDE_DIRECTORIES ${UPDATER_WINDOWS_DEPS}/include/minizip)

add_library(PkgConfig::SODIUM STATIC IMPORTED)
set_target_properties(PkgConfig::SODIUM PROPERTIES
  IMPORTED_LOCATION ${UPDATER_WINDOWS_DEPS}/lib/libsodium.a
  INTERFACE_INCLUDE_DIRECTORIES ${UPDATER_WINDOWS_DEPS}/include
  INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC)

# rapidxml is headers only; its Debian headers serve the Windows build too.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/third_party_include)
file(CREATE_LINK /usr/include/rapidxml ${PROJECT_BINARY_DIR}/third_party_include/rapidxml SYMBOLIC)
include_directories(SYSTEM ${PROJECT_BINARY_DIR}/third_party_include)

# GoogleTest from Debian's sources, built with this toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# It declares GTest::gtest and GTest::gtest_main itself.
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
