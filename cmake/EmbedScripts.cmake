# Run with -DOUT=<header> -DINPUTS=<a.js;b.js>: writes one constant per script,
# named after the file (scripts/xpath.js -> kelvo::scripts::xpath).
set(text "// Generated from the page scripts; edit the .js files instead.\n#pragma once\n\nnamespace kelvo::scripts {\n")
foreach(input ${INPUTS})
  get_filename_component(stem "${input}" NAME_WE)
  string(MAKE_C_IDENTIFIER "${stem}" ident)
  file(READ "${input}" body)
  string(APPEND text "inline constexpr const char* ${ident} = R\"kelvojs(${body})kelvojs\";\n")
endforeach()
string(APPEND text "}  // namespace kelvo::scripts\n")
file(WRITE "${OUT}.tmp" "${text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
