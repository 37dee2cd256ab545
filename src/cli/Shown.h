#pragma once
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace bx::cli {

// Text from outside (the adapter, hosts on the network, files, the command line) as the
// CLI prints it: its control characters as \xNN, so that it can neither drive the
// terminal nor forge lines or tab-separated fields.
inline std::string Shown(std::string_view text) { return EscapeControls(text); }
// A line of a log pane as the CLI prints it: as Shown, but its tabs kept, with which the
// program lays out its own "Label:<tab>value" lines.
inline std::string ShownLine(std::string_view text) { return EscapeControls(text, true); }

// A message's text: its own line ends kept as line breaks (CR LF and a lone CR as LF),
// every other control character as \xNN.
std::string ShownLines(std::string_view text);

// Whether a text the user gives for the adapter holds a control character: a CR or LF
// in it would end the command there and start another one.
bool HasControl(std::string_view text);

}  // namespace bx::cli
