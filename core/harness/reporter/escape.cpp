#include "harness/reporter/escape.h"

#include <cstdio>

namespace kelvo::reporter {

std::string escape_html(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#x27;"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

bool plain_ascii(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' ||
         c == '-' || c == '.' || c == '/' || c == ':' || c == ',';
}

}  // namespace

std::string escape_js_string(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  char buf[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (plain_ascii(c)) {
        out += static_cast<char>(c);
      } else {
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        out += buf;
      }
      continue;
    }
    // U+2028 and U+2029 end a line inside older JavaScript string literals.
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
         static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace kelvo::reporter
