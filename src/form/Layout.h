#pragma once
// The window's design layout.
namespace bx {

class TfrmMain;

// Positions and sizes of every control.
void ApplyLayout(TfrmMain& form);

}  // namespace bx
