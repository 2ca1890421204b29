// The report's style sheet, kept in its own source file so the page code stays readable.
#pragma once

namespace kelvo::reporter {

extern const char* const kStyleSheet;

}  // namespace kelvo::reporter
