# One place for the language standard, warnings and sanitizers of every target.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
set(CMAKE_AUTOUIC OFF)

option(QUANDOR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUANDOR_WERROR "Treat compiler warnings as errors" OFF)
option(QUANDOR_FUZZ "Build the libFuzzer targets of fuzz/ (clang): every library gets coverage instrumentation" OFF)

add_library(quandor_options INTERFACE)
target_compile_options(quandor_options INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor
    $<$<COMPILE_LANGUAGE:CXX>:-Wno-missing-field-initializers>
    $<$<BOOL:${QUANDOR_WERROR}>:-Werror>)
target_compile_definitions(quandor_options INTERFACE
    QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(QUANDOR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz targets themselves add -fsanitize=fuzzer when they link (fuzz/CMakeLists.txt).
if(QUANDOR_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Headers are included by their path from the top of the tree:
# #include "platform/profile/profile.h", #include "cdrip/scsi/toc.h".
target_include_directories(quandor_options INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)

# The version is written once, in project(); code includes "quandor_version.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/quandor_version.h.in ${PROJECT_BINARY_DIR}/generated/quandor_version.h)
