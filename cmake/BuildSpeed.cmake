# Build speed: ccache when it is installed, and precompiled headers. Included from CMakeLists.txt right after project(), before any
# target, so that the compiler launcher applies to all of them.

option(MIRT_CCACHE "compile through ccache when it is installed" ON)
option(MIRT_PCH "precompiled headers for the standard library, Qt and GoogleTest" ON)

# ccache, set up by the project itself rather than by a ccache.conf that a
# fresh machine does not have:
# - base_dir is the source folder, so that the absolute paths CMake passes
#   (sources, -I, the precompiled header's -include) are hashed relative to
#   the build folder: a fresh clone in another folder (as CI makes on the
#   machine the work was done on) hits the objects the first folder stored;
# - hash_dir off, for the same reason when compiling with -g (the debug
#   information then names the folder that first compiled the object);
# - the sloppiness that precompiled headers need (ccache cannot see
#   __TIME__ or #defines through them, and the header is made just before
#   the sources that use it).
# A launcher given on the command line that is ccache gets the same
# settings; any other launcher is left alone.
if(MIRT_CCACHE AND (NOT CMAKE_CXX_COMPILER_LAUNCHER OR CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$"))
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    set(MIRT_CCACHE_PROGRAM ${CMAKE_CXX_COMPILER_LAUNCHER})
  else()
    find_program(MIRT_CCACHE_PROGRAM ccache)
  endif()
  find_program(MIRT_ENV_PROGRAM env)
  if(MIRT_CCACHE_PROGRAM AND MIRT_ENV_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${MIRT_ENV_PROGRAM}
        CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${MIRT_CCACHE_PROGRAM})
  endif()
endif()

# The headers nearly every source of the project includes, parsed once per
# target instead of once per source: the standard library, Qt's core and
# picture classes (the engine draws on QImage; QtWidgets stays out) and,
# for the tests, GoogleTest.
set(MIRT_PCH_STD
  <algorithm> <array> <atomic> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring>
  <filesystem> <functional> <map> <memory> <mutex> <optional> <set> <string>
  <string_view> <thread> <utility> <vector>)
set(MIRT_PCH_QT <QByteArray> <QImage> <QJsonArray> <QJsonDocument> <QJsonObject>
  <QPainter> <QRect> <QString>)

# mirt_build_speed(<target> [QT] [GTEST])
# Gives TARGET its precompiled header: the standard library; with QT the Qt
# classes above, for targets that link Qt6::Gui; with GTEST gtest.h.
# (Unity builds do not work yet: several sources share names in their
# anonymous namespaces, such as kMax, LineEnded and ColourOf.)
function(mirt_build_speed target)
  cmake_parse_arguments(ARG "QT;GTEST" "" "" ${ARGN})
  if(ARG_QT)
    # The precompiled header brings Qt into sources that never include it,
    # and Qt's keyword macros (slots, signals, emit) would then replace
    # plain names there; the project uses none of them.
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
  endif()
  if(NOT MIRT_PCH)
    return()
  endif()
  set(headers ${MIRT_PCH_STD})
  if(ARG_QT)
    list(APPEND headers ${MIRT_PCH_QT})
  endif()
  if(ARG_GTEST)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
  # Through the precompiled header GCC 12 no longer takes libstdc++'s inlined
  # std::string code for system code, and its known false positives there
  # (-Warray-bounds on `std::to_string(i) + "..."` in SaveSlots.cpp, and
  # their kin) appear. They stay warnings, not errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-error=array-bounds
                           -Wno-error=stringop-overflow -Wno-error=restrict)
  endif()
endfunction()
