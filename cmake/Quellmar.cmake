# Build helpers shared by every folder: IDL compilation, the registration list, test entries.

set(WIDL ${TOOLCHAIN_PREFIX}-widl)
set(WINE_IDL_DIR /usr/include/wine/wine/windows)
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# Folders searched for imported .idl files and for importlib'd .tlb files.
set(QUELLMAR_IDL_DIRS
    ${CMAKE_SOURCE_DIR}/outside/capeopen
    ${CMAKE_SOURCE_DIR}/outside/host
    ${CMAKE_SOURCE_DIR}/outside/coerrors
    ${CMAKE_SOURCE_DIR}/server)
set(QUELLMAR_TLB_DIRS
    ${CMAKE_BINARY_DIR}/outside/capeopen
    ${CMAKE_BINARY_DIR}/outside/host
    ${CMAKE_BINARY_DIR}/outside/coerrors
    ${CMAKE_BINARY_DIR}/server)

# quellmar_idl(<name> <file.idl> [DEPENDS tlb-targets...])
# Makes <name>.tlb, <name>.h and <name>_i.c in the current binary folder and a target
# <name>_idl; <name>_IDL_HEADER_DIR is set in the caller's scope.
function(quellmar_idl name idl)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(flags -m64 --win64 -I${WINE_IDL_DIR} -L${WINE_TLB_DIR})
  foreach(d ${QUELLMAR_IDL_DIRS})
    list(APPEND flags -I${d})
  endforeach()
  foreach(d ${QUELLMAR_TLB_DIRS})
    list(APPEND flags -L${d})
  endforeach()
  set(dep_files)
  foreach(t ${ARG_DEPENDS})
    list(APPEND dep_files ${t})
  endforeach()
  add_custom_command(
    OUTPUT ${out}/${name}.tlb ${out}/${name}.h ${out}/${name}_i.c
    COMMAND ${WIDL} ${flags} -t -o ${out}/${name}.tlb ${idl_abs}
    COMMAND ${WIDL} ${flags} -h -o ${out}/${name}.h ${idl_abs}
    COMMAND ${WIDL} ${flags} -u -o ${out}/${name}_i.c ${idl_abs}
    DEPENDS ${idl_abs} ${ARG_DEPENDS}
    COMMENT "widl ${name}"
    VERBATIM)
  add_custom_target(${name}_idl DEPENDS ${out}/${name}.tlb ${out}/${name}.h ${out}/${name}_i.c)
  # A header-and-IID library that C++ code links to see the interfaces.
  add_library(${name}_ids STATIC ${out}/${name}_i.c)
  add_dependencies(${name}_ids ${name}_idl)
  target_include_directories(${name}_ids PUBLIC ${out})
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()

# Registration list read by scripts/lib.sh: "dll <path>" (regsvr32) or "tlb <path>" (tlbreg).
# Order matters: type libraries that others import come first.
function(quellmar_register kind path)
  set_property(GLOBAL APPEND PROPERTY QUELLMAR_REGISTER "${kind} ${path}")
endfunction()

function(quellmar_write_register_list)
  get_property(items GLOBAL PROPERTY QUELLMAR_REGISTER)
  list(JOIN items "\n" body)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/register.list CONTENT "${body}\n")
endfunction()

# quellmar_main_job_target(<name> programs...)
# A target that builds every component of the registration list (a DLL's target is named as its
# file, a type library's as <name>_idl) and the given programs, and nothing else.
function(quellmar_main_job_target name)
  add_custom_target(${name})
  add_dependencies(${name} ${ARGN})
  get_property(items GLOBAL PROPERTY QUELLMAR_REGISTER)
  foreach(item ${items})
    string(REGEX MATCH "^([a-z]+) (.*)$" matched "${item}")
    get_filename_component(base "${CMAKE_MATCH_2}" NAME_WE)
    if(CMAKE_MATCH_1 STREQUAL "tlb")
      set(base ${base}_idl)
    endif()
    if(NOT TARGET ${base})
      message(FATAL_ERROR "no target ${base} builds the registered ${CMAKE_MATCH_2}")
    endif()
    add_dependencies(${name} ${base})
  endforeach()
endfunction()

# quellmar_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s])
# One ctest entry per GoogleTest executable, run through Wine, always with a timeout.
function(quellmar_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()
