# Helpers shared by the build files.

# clipstead_sources(<var> <dir>...): every .cpp/.c/.h below the given folders.
function(clipstead_sources var)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${dir}/*.cpp ${dir}/*.c ${dir}/*.h)
    list(APPEND result ${found})
  endforeach()
  set(${var} ${result} PARENT_SCOPE)
endfunction()

# clipstead_test(<name> <folder> LIBS <libs>... [LABEL <label>]): one GoogleTest program made of
# every .cpp in <folder>, registered with CTest under <label> (the folder's first part when
# none is given).
function(clipstead_test name folder)
  cmake_parse_arguments(T "" "LABEL" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  # Builds without the shared engine (tsan, fuzz) skip the tests that need it.
  foreach(lib IN LISTS T_LIBS)
    if(lib MATCHES "^(kernel|kernel_static|clipstead_platform)$" AND NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  string(REGEX MATCH "^[^/]+" label ${folder})
  if(T_LABEL)
    set(label ${T_LABEL})
  endif()
  # A build that runs only some labels (the thread sanitizer's) builds only their programs.
  if(CLIPSTEAD_TEST_LABELS AND NOT label MATCHES "${CLIPSTEAD_TEST_LABELS}")
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${T_LIBS} clipstead_testsupport GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Test files compile in batches of CLIPSTEAD_TEST_BATCH (0: one batch a program; 1 or
  # less: one file at a time): the batches parse GoogleTest's and Qt's headers once, which
  # halves the tests' build time. Helpers a test file keeps to itself live in an anonymous
  # namespace and must therefore have names no other file of its folder uses.
  if(CLIPSTEAD_TEST_BATCH GREATER 1 OR CLIPSTEAD_TEST_BATCH EQUAL 0)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON
      UNITY_BUILD_BATCH_SIZE ${CLIPSTEAD_TEST_BATCH})
    # A fixture class from a file's anonymous namespace is, in a batch, no longer in the
    # compiled file itself, which GCC reports although nothing else can see it.
    target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${label}
    DISCOVERY_TIMEOUT 60)
endfunction()

# clipstead_header_check(<target> <folder> [FROM <root>] [SEES <folders>...] [LIBS <libs>...]):
# an object library that compiles each header of <folder> on its own, from a copy of <folder>
# and of the folders it may see (paths below the repository root). Includes are written from
# <root> (a folder below the repository root; the root itself when none is given), and the copy
# is the only include folder, so an include that leaves those folders, by an include path or
# a "../", does not compile. <libs> give what lies outside the project (Qt).
function(clipstead_header_check target folder)
  cmake_parse_arguments(C "" "FROM" "SEES;LIBS" ${ARGN})
  set(root ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(checks)
  foreach(seen IN ITEMS ${folder} ${C_SEES})
    file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR}/${C_FROM} ${CMAKE_SOURCE_DIR}/${seen})
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${seen}/*.h)
    foreach(header IN LISTS headers)
      get_filename_component(file ${header} NAME)
      configure_file(${header} ${root}/${name}/${file} COPYONLY)
      if(seen STREQUAL folder)
        get_filename_component(stem ${header} NAME_WE)
        set(check ${root}/check_${stem}.cpp)
        file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${name}/${file}\"\n")
        list(APPEND checks ${check})
      endif()
    endforeach()
  endforeach()
  add_library(${target} OBJECT ${checks})
  target_include_directories(${target} PRIVATE ${root})
  target_link_libraries(${target} PRIVATE ${C_LIBS})
endfunction()

# clipstead_include_folders(<target> <INTERFACE|PUBLIC|PRIVATE> <folder>...): gives <target> an
# include folder of its own in the build tree that holds only the named source folders (paths
# below the repository root, as links to them). Project includes are written from the
# repository root, so they reach those folders and the include folders of what <target> links,
# nothing else. Once per target.
function(clipstead_include_folders target scope)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  foreach(folder IN LISTS ARGN)
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# clipstead_widgets_pch(<target>): compiles the Qt and standard headers that nearly every file of
# a widget target includes once, as a precompiled header, instead of in each file (they are
# most of a widget file's compile time). Only for targets of many files: the header itself
# costs about one file's compile.
function(clipstead_widgets_pch target)
  target_precompile_headers(${target} PRIVATE
    <QApplication> <QDir> <QEvent> <QFileInfo> <QHash> <QImage> <QKeyEvent> <QList>
    <QMouseEvent> <QPainter> <QPaintEvent> <QPointer> <QString> <QTimer> <QWidget>
    <algorithm> <cstdint> <cstring> <memory> <mutex> <string> <vector>)
endfunction()
