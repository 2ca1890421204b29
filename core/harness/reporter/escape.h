// Escaping for the three places a report inserts outside text: HTML text, attribute
// values, and strings inside inline click handlers. Test names, failure messages and
// page text come from users and pages; none of them may change the page's structure
// or run script in the reader's browser.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::reporter {

// Text for an element's content or a quoted attribute value (either quote style):
// & < > " ' become entities; the browser shows the original text.
std::string escape_html(std::string_view text);

// Content of a single-quoted JavaScript string that sits inside an HTML attribute.
// Everything but letters, digits and a few plain marks becomes a \xHH or \uHHHH
// escape, so neither the string, the handler nor the attribute can be left; the
// script sees the original text. Non-ASCII letters are kept as they are.
std::string escape_js_string(std::string_view text);

}  // namespace kelvo::reporter
