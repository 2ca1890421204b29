# Run with -DOUT=<header> -DINPUTS=<a.js;b.js> [-DBUNDLES=<dir/modules.txt;...>]: writes
# one constant per script, named after the file (scripts/xpath.js ->
# kelvo::scripts::xpath), and one per bundle, named after its folder
# (scripts/page_model/modules.txt -> kelvo::scripts::page_model). A bundle's manifest
# lists its module files in order, one a line ("#" starts a comment); the constant is
# the expression (() => { <modules> return main; })(), the modules sharing one scope,
# without their whole-line // comments (no module may start a line inside a string with //).
set(text "// Generated from the page scripts; edit the .js files instead.\n#pragma once\n\nnamespace kelvo::scripts {\n")
foreach(input ${INPUTS})
  get_filename_component(stem "${input}" NAME_WE)
  string(MAKE_C_IDENTIFIER "${stem}" ident)
  file(READ "${input}" body)
  string(APPEND text "inline constexpr const char* ${ident} = R\"kelvojs(${body})kelvojs\";\n")
endforeach()
foreach(manifest ${BUNDLES})
  get_filename_component(dir "${manifest}" DIRECTORY)
  get_filename_component(stem "${dir}" NAME)
  string(MAKE_C_IDENTIFIER "${stem}" ident)
  file(STRINGS "${manifest}" lines)
  set(body "(() => {\n'use strict';\n")
  foreach(line ${lines})
    string(STRIP "${line}" module)
    if(module STREQUAL "" OR module MATCHES "^#")
      continue()
    endif()
    if(NOT EXISTS "${dir}/${module}")
      message(FATAL_ERROR "${manifest} lists ${module}, which is not in ${dir}")
    endif()
    file(READ "${dir}/${module}" part)
    # Whole-line comments are for readers of the sources; the page need not parse them.
    string(REGEX REPLACE "(^|\n)[ \t]*//[^\n]*" "\\1" part "${part}")
    string(APPEND body "// ---- ${module}\n${part}")
  endforeach()
  string(APPEND body "return main;\n})()")
  string(APPEND text "inline constexpr const char* ${ident} = R\"kelvojs(${body})kelvojs\";\n")
endforeach()
string(APPEND text "}  // namespace kelvo::scripts\n")
file(WRITE "${OUT}.tmp" "${text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
