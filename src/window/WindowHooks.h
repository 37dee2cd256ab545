#pragma once
// Steps of the window's life that belong to subsystems: each is filled by the module
// that owns it.
namespace bx {

class TfrmMain;

// On creation: the firmware updater, the link table and the port source.
void CreateSubsystems(TfrmMain& form);
// On close: the network search (its socket), the updater, then the link table, ending
// every worker thread.
void DestroySubsystems(TfrmMain& form);
// tmrMemo: resumes the line updates of the live output pane.
void LiveOutputTimer(TfrmMain& form);

}  // namespace bx
