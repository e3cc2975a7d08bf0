#pragma once
// Developer diagnostics: fixed texts written to stderr when QUASAR_TRACE=1, nothing otherwise.
// The check is one cached flag, so a silent trace costs a branch.

#include <cstdarg>
#include <string_view>

namespace quasar::trace {

bool enabled();
// Forces tracing on or off (tests and tools); otherwise QUASAR_TRACE decides at first use.
void setEnabled(bool on);

void printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void vprintf(const char* format, va_list args);
// The text as it stands followed by a line end.
void line(std::string_view text);

} // namespace quasar::trace
