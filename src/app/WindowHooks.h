#pragma once
// Steps of the window's life that belong to subsystems: each is filled by the module
// that owns it.
namespace bx {

class TfrmMain;

// Positions and sizes of every control (the window's design layout).
void ApplyLayout(TfrmMain& form);
// Creation steps 12-14: the firmware updater, the link table and the port source.
void CreateSubsystems(TfrmMain& form);
// Close step 4: the link table goes, ending every worker thread.
void DestroySubsystems(TfrmMain& form);
// tmrMemo: resumes the line updates of the live output pane.
void LiveOutputTimer(TfrmMain& form);

}  // namespace bx
