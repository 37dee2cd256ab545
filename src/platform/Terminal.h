#pragma once
// Whether the program's standard output goes to a terminal (a person watching) rather
// than to a file or a pipe: the CLI draws its progress bar only then.
namespace bx {

bool StandardOutputIsTerminal();

}  // namespace bx
