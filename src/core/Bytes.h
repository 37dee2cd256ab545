#pragma once
// Byte strings: every text the program handles (commands, replies, file contents,
// registry texts) is a std::string of 8-bit characters that may hold any byte, zero
// included. These helpers never assume a terminating zero.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bx {

using Bytes = std::string;

bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
bool Contains(std::string_view s, std::string_view part);

// ASCII-only case mapping: the registry and the list sort ignore the case of A-Z only.
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
int CompareTextNoCase(std::string_view a, std::string_view b);  // <0, 0, >0
bool SameTextNoCase(std::string_view a, std::string_view b);

// printf-style formatting into a std::string.
// The C99 format (%zu, %lld...) on every platform; the Windows build uses mingw-w64's own
// printf for it (__USE_MINGW_ANSI_STDIO), not the system library's older one.
#if defined(__clang__)
#define BX_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
// gnu_printf: on MinGW plain printf would mean the Microsoft runtime's directives.
#define BX_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#endif
std::string Format(const char* fmt, ...) BX_PRINTF_LIKE(1, 2);

// Decimal conversion without exceptions: nullopt-like false on anything but an
// optionally signed run of digits that fits.
bool ParseInt(std::string_view s, long long& out);
int StrToIntDef(std::string_view s, int def);

// Occurrences of `word` in `text`, counted without overlap.
int CountOccurrences(std::string_view text, std::string_view word);

// Splits on CR LF, LF or bare CR as a text pane would show them.
std::vector<std::string> SplitLines(std::string_view text);
// The lines of a text as a log pane holds them: split at CR LF only (a bare CR or LF stays
// in its line); text after the last CR LF is a line of its own.
std::vector<std::string> SplitCrLf(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines, std::string_view sep = "\r\n");

// Little-endian 16-bit value at `pos` (0-based); a byte beyond the end counts as 0.
uint16_t LE16(std::string_view s, std::size_t pos);
void AppendLE16(Bytes& out, uint16_t v);

// Readable rendering of bytes for logs: printable ASCII as is, others as <xx>.
std::string Printable(std::string_view s);

// Text from outside (an adapter, a host on the network, a file) made safe for a terminal:
// every control character (0x00-0x1F and 0x7F, tab and line ends included, and the C1
// controls U+0080-U+009F of UTF-8) and every byte that is not part of well-formed UTF-8
// as \xNN; the rest of UTF-8 as it is. A name cannot then retitle the window, clear
// the screen, overwrite a line or forge the rows of a listing.
// `keepTabs`: a tab stays a tab (a line of a log pane, where the program lays out its
// own "Label:<tab>value" lines).
std::string EscapeControls(std::string_view s, bool keepTabs = false);

// Length of the well-formed UTF-8 sequence at s[i] and its code point, or 0 when the
// byte there starts none.
int Utf8SequenceAt(std::string_view s, std::size_t i, char32_t& cp);

}  // namespace bx
