# Helpers shared by every deliverable: one shared library per deliverable in the core, one
# test binary per deliverable, and the one extension module that binds them all.

set(KELVO_CORE_DIR "${PROJECT_SOURCE_DIR}/core")
set(KELVO_LIB_DESTINATION "kelvo_web/_core")

# For the wheel: each library carries its own copy of the C++ runtime, hidden, so it needs only
# the C library's oldest symbols and never meets a different libstdc++ loaded by another package.
function(kelvo_portable_link target)
  if(KELVO_PORTABLE_WHEEL AND KELVO_ZIG_TOOLCHAIN)
    # zig links its own C++ runtime statically already (its linker takes no --exclude-libs).
  elseif(KELVO_PORTABLE_WHEEL)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL)
  endif()
endfunction()

# kelvo_add_core_library(<name> <folder under core/> [LINK libs...])
# Compiles every .cpp of the folder; every .js directly under <folder>/scripts is embedded
# as a C++ string constant in the generated header "<name>_scripts.h" (namespace
# kelvo::scripts), and so is every bundle: a folder <folder>/scripts/<bundle> whose
# modules.txt lists its .js modules in order (see EmbedScripts.cmake).
function(kelvo_add_core_library name folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${KELVO_CORE_DIR}/${folder}/*.cpp")
  if(KELVO_ZIG_TOOLCHAIN)
    # zig's C++ runtime can only be linked statically, and an exception thrown in one shared
    # object cannot be caught by the runtime copy of another: the module links the core in.
    add_library(kelvo_${name} STATIC ${sources})
    set_target_properties(kelvo_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  else()
    add_library(kelvo_${name} SHARED ${sources})
  endif()
  target_include_directories(kelvo_${name} PUBLIC "${KELVO_CORE_DIR}")
  target_link_libraries(kelvo_${name} PUBLIC ${ARG_LINK})
  set_target_properties(kelvo_${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
  kelvo_portable_link(kelvo_${name})
  file(GLOB scripts CONFIGURE_DEPENDS "${KELVO_CORE_DIR}/${folder}/scripts/*.js")
  file(GLOB bundles CONFIGURE_DEPENDS "${KELVO_CORE_DIR}/${folder}/scripts/*/modules.txt")
  if(scripts OR bundles)
    kelvo_embed_scripts(kelvo_${name} ${name} SCRIPTS ${scripts} BUNDLES ${bundles})
  endif()
  if(NOT KELVO_ZIG_TOOLCHAIN)
    install(TARGETS kelvo_${name} LIBRARY DESTINATION ${KELVO_LIB_DESTINATION})
  endif()
endfunction()

# Page scripts stay plain .js files in the tree; the build turns each script, and each
# bundle of modules, into a raw string.
function(kelvo_embed_scripts target name)
  cmake_parse_arguments(ARG "" "" "SCRIPTS;BUNDLES" ${ARGN})
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/generated")
  set(header "${out_dir}/${name}_scripts.h")
  set(inputs ${ARG_SCRIPTS})
  set(modules "")
  foreach(manifest ${ARG_BUNDLES})
    get_filename_component(dir "${manifest}" DIRECTORY)
    file(GLOB parts CONFIGURE_DEPENDS "${dir}/*.js")
    list(APPEND modules ${manifest} ${parts})
  endforeach()
  # Keep each list one argument: a bare ";" would split it into separate commands.
  string(REPLACE ";" "$<SEMICOLON>" inputs_arg "${inputs}")
  string(REPLACE ";" "$<SEMICOLON>" bundles_arg "${ARG_BUNDLES}")
  add_custom_command(
    OUTPUT "${header}"
    COMMAND ${CMAKE_COMMAND} -DOUT=${header} "-DINPUTS=${inputs_arg}" "-DBUNDLES=${bundles_arg}"
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedScripts.cmake"
    DEPENDS ${inputs} ${modules} "${PROJECT_SOURCE_DIR}/cmake/EmbedScripts.cmake"
    COMMENT "Embedding page scripts of ${name}"
    VERBATIM)
  add_custom_target(${target}_scripts DEPENDS "${header}")
  add_dependencies(${target} ${target}_scripts)
  target_include_directories(${target} PUBLIC "${out_dir}")
endfunction()

# kelvo_add_module(<module name> LINK <core libs>): the extension module kelvo_web.<module name>,
# built from every .cpp under bindings/.
function(kelvo_add_module name)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/bindings/*.cpp")
  nanobind_add_module(${name}_module NB_STATIC ${sources})
  target_include_directories(${name}_module PRIVATE "${PROJECT_SOURCE_DIR}/bindings")
  target_link_libraries(${name}_module PRIVATE ${ARG_LINK})
  kelvo_portable_link(${name}_module)
  # It sits in kelvo_web and finds the core libraries in kelvo_web/_core.
  set_target_properties(${name}_module PROPERTIES OUTPUT_NAME ${name} INSTALL_RPATH "$ORIGIN/_core")
  install(TARGETS ${name}_module LIBRARY DESTINATION kelvo_web)
endfunction()

# kelvo_add_gtest(<name> <folder under tests/core/> LINK <libs>): every *_test.cpp of the
# folder, which mirrors the library's folder under core/.
function(kelvo_add_gtest name folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/core/${folder}/*_test.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARG_LINK} GTest::gtest_main)
  target_include_directories(${name}_tests PRIVATE "${PROJECT_SOURCE_DIR}/tests/core")
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KELVO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
