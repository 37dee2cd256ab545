// brevantix-configurator.exe: the window program on Windows. It opens the settings
// store, builds the main window model on the real services and shows it on the
// platform's own controls. The one argument it takes is a firmware file (the .rfw
// association starts it so).
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/Demo.h"
#include "program/Program.h"
#include "ui/EventLoop.h"
#include "view/win32/LoopDriver.h"
#include "view/win32/MainWindow.h"
#include "view/win32/Win32Clipboard.h"
#include "view/win32/Win32Dialogs.h"

// After the models: windows.h renames functions (CreateWindow) the window model declares.
#include <objbase.h>

namespace {

int Fail(const std::string& message) {
  ::MessageBoxA(nullptr, bx::view::WithFullStop(message).c_str(), "Configurator", MB_OK | MB_ICONERROR);
  return 1;
}

// COM for the imaging component and the file dialog, for the life of the program.
class ComUse {
 public:
  ComUse() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComUse() {
    if (ok_) ::CoUninitialize();
  }
  ComUse(const ComUse&) = delete;
  ComUse& operator=(const ComUse&) = delete;

 private:
  bool ok_;
};

// The window model on the program's services; null after the reason was shown (a settings
// write that failed while the window was being created).
std::unique_ptr<bx::TfrmMain> CreateForm(bx::ProgramServices& services, bx::view::Win32Dialogs& dialogs,
                                         bx::view::Win32Clipboard& clipboard, std::vector<std::string> args,
                                         bx::LinkTrace* trace) {
  try {
    bx::AppContext context = bx::MakeProgramContext(services, dialogs, clipboard, std::move(args));
    context.trace = trace;
    return std::make_unique<bx::TfrmMain>(std::move(context));
  } catch (const std::exception& e) {
    bx::ui::ShowException(e.what());
  } catch (...) {
    // Any other kind is shown as the handlers show it: with an empty message.
    bx::ui::ShowException("");
  }
  return nullptr;
}

int RunMessageLoop(bx::view::MainWindow& window) {
  MSG msg;
  int got = 0;
  while ((got = ::GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    if (!window.PreTranslate(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    window.FocusFromWindow();
  }
  return got < 0 ? 1 : static_cast<int>(msg.wParam);
}

}  // namespace

// --help and --version answer before any window opens. The program has no console of
// its own: started from one (cmd, PowerShell, a redirection) it writes there; started
// from the desktop the text is shown in a box.
bool AnsweredWithoutAWindow(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h" || a == "/?") {
      text = bx::WindowProgramHelp();
      break;
    }
    if (a == "--version") {
      text = bx::WindowProgramVersion();
      break;
    }
  }
  if (text.empty()) return false;
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if ((out == nullptr || out == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS))
    out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE &&
      ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    return true;
  ::MessageBoxA(nullptr, text.c_str(), "Configurator", MB_OK | MB_ICONINFORMATION);
  return true;
}

int main(int argc, char** argv) {
  if (AnsweredWithoutAWindow(std::vector<std::string>(argv + 1, argv + argc))) return 0;
  const ComUse com;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_TAB_CLASSES |
                                           ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);

  bx::ProgramServices services;
  std::string error;
  if (!bx::OpenProgramServices(services, error)) {
    if (error.find(services.storePath) == std::string::npos) error += " (settings store " + services.storePath + ")";
    return Fail(error);
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  // The simulated adapter runs on Linux only: --demo says so rather than being taken for
  // a file name.
  if (std::find(args.begin(), args.end(), "--demo") != args.end()) return Fail(bx::kDemoUnavailable);
  // Before the window, whose links report to it; it goes after them.
  std::unique_ptr<bx::TraceWriter> trace;
  if (!bx::OpenWindowTrace(args, argc, argv, trace, error)) return Fail(error);

  bx::ui::RealEventLoop loop;
  bx::ui::EventLoop::SetCurrent(&loop);
  bx::view::LoopDriver driver(loop);
  bx::view::Win32Dialogs dialogs;
  bx::view::Win32Clipboard clipboard;

  HWND owner = nullptr;
  std::unique_ptr<bx::TfrmMain> form;
  bx::view::InstallExceptionDisplay(&owner, [&form] { return form ? form->ApplicationTitle() : "Configurator"; });
  form = CreateForm(services, dialogs, clipboard, std::move(args), trace.get());
  if (!form) return 1;
  auto window = std::make_unique<bx::view::MainWindow>(*form, &driver);
  owner = window->Hwnd();
  dialogs.SetOwner(owner);
  clipboard.SetOwner(owner);
  window->ShowWindow();
  const int rc = RunMessageLoop(*window);
  owner = nullptr;
  dialogs.SetOwner(nullptr);
  if (!form->Closed()) bx::ui::Invoke([&form] { form->FormClose(); });  // ended without a close

  // The view goes before the model it shows, the model before the loop its timers use.
  window.reset();
  form.reset();
  bx::ui::SetExceptionDisplay({});
  bx::ui::EventLoop::SetCurrent(nullptr);
  return rc;
}
