// brevantix-configurator: the window program. It opens the settings store, builds the
// main window model on the real services and shows it through the Qt view.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <csignal>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/Demo.h"
#include "platform/System.h"
#include "program/Program.h"
#include "ui/EventLoop.h"
#include "view/qt/LoopDriver.h"
#include "view/qt/MainWindow.h"
#include "view/qt/QtClipboard.h"
#include "view/qt/QtDialogs.h"
#include "view/qt/ViewText.h"

namespace {

std::atomic<bool> g_stopRequested{false};
extern "C" void RequestStop(int) { g_stopRequested = true; }

int Fail(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Configurator"), bx::view::ToQ(bx::view::WithFullStop(message)),
                  QMessageBox::Ok);
  box.exec();
  return 1;
}

// The arguments after the program name, without --demo, which `demo` tells.
std::vector<std::string> ProgramArguments(int argc, char** argv, bool& demo) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--demo")
      demo = true;
    else
      args.emplace_back(argv[i]);
  }
  return args;
}

// The window model on the program's services; null after the reason was shown (a settings
// write that failed while the window was being created).
std::unique_ptr<bx::TfrmMain> CreateForm(bx::ProgramServices& services, bx::view::QtDialogs& dialogs,
                                         bx::view::QtClipboard& clipboard, std::vector<std::string> args,
                                         bx::DemoAdapter* demo, bx::LinkTrace* trace) {
  try {
    bx::AppContext context = bx::MakeProgramContext(services, dialogs, clipboard, std::move(args));
    context.trace = trace;
    if (demo) OfferDemo(*demo, context);
    auto form = std::make_unique<bx::TfrmMain>(std::move(context));
    if (demo) bx::PreferPort(*form, demo->Port());
    return form;
  } catch (const std::exception& e) {
    bx::ui::ShowException(e.what());
  } catch (...) {
    // Any other kind is shown as the handlers show it: with an empty message.
    bx::ui::ShowException("");
  }
  return nullptr;
}

// A stop request from the session or the terminal closes the window the ordinary way,
// so the close sequence (its questions, the settings it writes) runs as for a click.
void CloseOnStopRequests(QTimer& watch, QWidget& window) {
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  QObject::connect(&watch, &QTimer::timeout, &window, [&window] {
    if (g_stopRequested.exchange(false)) window.close();
  });
  watch.start(200);
}

// --help and --version answer on standard output and end the program before any window
// (and without a display). Anything else is the window's.
bool AnsweredOnTheTerminal(int argc, char** argv, int& rc) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(bx::WindowProgramHelp().c_str(), stdout);
      rc = 0;
      return true;
    }
    if (a == "--version") {
      std::fputs(bx::WindowProgramVersion().c_str(), stdout);
      rc = 0;
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (int rc = 0; AnsweredOnTheTerminal(argc, argv, rc)) return rc;
  QApplication app(argc, argv);  // takes Qt's own options (-platform ...) out of argv
  QApplication::setApplicationName("Configurator");

  bx::ProgramServices services;
  std::string error;
  if (!bx::OpenProgramServices(services, error)) {
    if (error.find(services.storePath) == std::string::npos) error += " (settings store " + services.storePath + ")";
    return Fail(error);
  }
  if (!services.settingsNotSaved.empty()) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Configurator"),
                    bx::view::ToQ(bx::view::WithFullStop("The settings are not saved: " + services.settingsNotSaved)),
                    QMessageBox::Ok);
    box.exec();
  }
  bool demo = false;
  std::vector<std::string> args = ProgramArguments(argc, argv, demo);
  // Before the window, whose links report to it; it goes after them.
  std::unique_ptr<bx::TraceWriter> trace;
  if (!bx::OpenWindowTrace(args, argc, argv, trace, error)) return Fail(error);
  // --demo: the built-in simulated adapter runs in this process on a pseudo-terminal,
  // offered as a port and chosen as soon as it is listed.
  std::unique_ptr<bx::DemoAdapter> demoAdapter;
  if (demo) {
    demoAdapter = std::make_unique<bx::DemoAdapter>();
    if (!demoAdapter->Start(error)) return Fail("The simulated adapter did not start: " + error);
  }

  bx::ui::RealEventLoop loop;
  bx::ui::EventLoop::SetCurrent(&loop);
  bx::view::LoopDriver driver(loop);
  bx::view::QtDialogs dialogs;
  bx::view::QtClipboard clipboard;

  std::unique_ptr<bx::TfrmMain> form;
  std::unique_ptr<bx::view::MainWindow> window;
  bx::view::InstallExceptionDisplay(nullptr,
                                    [&form] { return form ? form->ApplicationTitle() : std::string("Configurator"); });
  form = CreateForm(services, dialogs, clipboard, std::move(args), demoAdapter.get(), trace.get());
  if (!form) return 1;
  window = std::make_unique<bx::view::MainWindow>(*form, &driver);
  dialogs.SetOwner(window.get());
  bx::view::InstallExceptionDisplay(window.get(), [&form] { return form->ApplicationTitle(); });
  window->ShowWindow();
  QTimer stopWatch;
  CloseOnStopRequests(stopWatch, *window);
  const int rc = app.exec();
  if (!form->Closed()) bx::ui::Invoke([&form] { form->FormClose(); });  // ended without a close event

  // The view goes before the model it shows, the model before the loop its timers use.
  window.reset();
  form.reset();
  demoAdapter.reset();
  bx::ui::SetExceptionDisplay({});
  bx::ui::EventLoop::SetCurrent(nullptr);
  return rc;
}
