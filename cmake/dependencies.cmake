# Third-party code, all from Debian's packages.
#
# Header-only libraries come in through a folder of symlinks: pointing the
# cross compiler at /usr/include itself would pull in glibc headers.
set(KS_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${KS_THIRD_PARTY_INCLUDE})
foreach(library nlohmann fmt)
  if(NOT EXISTS /usr/include/${library})
    message(FATAL_ERROR "/usr/include/${library} is missing: run scripts/setup")
  endif()
  file(CREATE_LINK /usr/include/${library} ${KS_THIRD_PARTY_INCLUDE}/${library} SYMBOLIC)
endforeach()

add_library(ks_third_party INTERFACE)
target_include_directories(ks_third_party SYSTEM INTERFACE ${KS_THIRD_PARTY_INCLUDE})
target_compile_definitions(ks_third_party INTERFACE FMT_HEADER_ONLY JSON_USE_IMPLICIT_CONVERSIONS=0)

# The native build computes SHA-256 with OpenSSL's libcrypto; the Windows
# product uses CNG and needs nothing from here.
if(NOT WIN32)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
endif()

# GoogleTest is built from Debian's sources for whichever target we build.
set(KS_GOOGLETEST_SOURCE /usr/src/googletest)
if(NOT EXISTS ${KS_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "${KS_GOOGLETEST_SOURCE} is missing: run scripts/setup")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KS_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
