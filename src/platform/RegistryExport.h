#pragma once
// Both hives as the text of a REGEDIT4 export, for people to read (brevantix-cli registry).
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace bx {

// "REGEDIT4", a blank line, then one section per key, each followed by a blank line: the
// per-user hive first, then the machine-wide one, each key followed by its subkeys and
// siblings in case-insensitive order. A section is the "[HIVE\path]" header and the
// key's values in case-insensitive order: "Name"="text" with \ and " escaped,
// "Name"=dword:0000000a, @= for the default value. A hive root gets a section only when
// it holds values. Lines end in LF.
//
// A string with a control character (CR, LF, NUL, ESC...) is written as the raw ANSI
// bytes of a REG_SZ, "Name"=hex(1):41,0a,42,00, so that no value can break a line or
// reach a terminal as a control sequence. A control character in a key or value name,
// which has no such form, is written as \xHH.
std::string ExportRegedit4(Registry& reg);
// The same for the given keys with their subkeys alone, in each hive in the order given
// (for a registry that holds every program's keys); a key that is missing is left out.
std::string ExportRegedit4(Registry& reg, const std::vector<std::string>& keys);

// One value line, as above (without the line end).
std::string Regedit4ValueLine(const std::string& name, const RegValue& value);

}  // namespace bx
