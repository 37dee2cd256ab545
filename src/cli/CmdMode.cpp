// brevantix-cli mode: the mode housekeeping of the Settings page (Hide/Show, the linked
// program's "...", "X" and "Run"), each on the entry the user would select in lvModes.
#include <filesystem>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/TerminalDialogs.h"
#include "modes/ModeList.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

void ShowModes(Session& s) {
  if (s.json)
    s.json->doc["modes"] = ModesJson(s);
  else
    PrintModes(s);
}

void ShowLink(Session& s, const std::string& id) {
  const std::string program = s.form->Modules->modes->LinkedProgram();
  if (s.json) {
    s.json->doc["id"] = id;
    s.json->doc["program"] = program;
  } else {
    *s.out << Shown(id) << "\t" << Shown(program) << "\n";
  }
}

void Note(Session& s, const std::string& text) { *s.err << "brevantix-cli: " << Shown(text) << "\n"; }

int Hide(Session& s, const std::string& id, int state) {
  TfrmMain& f = *s.form;
  if (state == mode_state::Hidden) {
    Note(s, "mode " + id + " is hidden already");
  } else if (!f.btModeHide.Usable()) {
    ShowModes(s);
    return s.Fail(1, "mode " + id + " cannot be hidden: " +
                         (state == mode_state::Selected ? "it is the running mode" : "mode 000 is always listed"));
  } else {
    f.btModeHide.Click();
  }
  ShowModes(s);
  return 0;
}

int Show(Session& s, const std::string& id, int state) {
  if (state != mode_state::Hidden)
    Note(s, "mode " + id + " is not hidden");
  else
    s.form->btModeHide.Click();
  ShowModes(s);
  return 0;
}

int Link(Session& s, const std::string& id, const std::string& program) {
  TfrmMain& f = *s.form;
  std::error_code ec;
  const std::string path = std::filesystem::absolute(program, ec).lexically_normal().string();
  s.dialogs->nextFile = path;
  f.btModeFile.Click();
  s.dialogs->nextFile.reset();
  if (f.Modules->modes->LinkedProgram() != path) return s.Fail(1, "mode " + id + " was not linked");
  ShowLink(s, id);
  return 0;
}

int Unlink(Session& s, const std::string& id) {
  TfrmMain& f = *s.form;
  if (f.Modules->modes->LinkedProgram().empty()) {
    Note(s, "mode " + id + " has no program linked");
  } else {
    f.btModeFileDel.Click();
    if (!f.Modules->modes->LinkedProgram().empty()) return s.Fail(1, "mode " + id + " stays linked (answer with --yes)");
  }
  ShowLink(s, id);
  return 0;
}

int Run(Session& s, const std::string& id, int state) {
  TfrmMain& f = *s.form;
  if (!f.btModeRun.Usable()) {
    if (f.Modules->modes->LinkedProgram().empty()) return s.Fail(1, "no program is linked to mode " + id);
    return s.Fail(1, "mode " + id + " is " + ModeStateName(state) + ": its program is not offered");
  }
  f.btModeRun.Click();
  ShowLink(s, id);
  return 0;
}

int Usage(Session& s, const std::string& why) { return s.Fail(2, "mode: " + why + " (see brevantix-cli mode --help)"); }

int RunMode(Session& s) {
  const std::vector<std::string>& a = s.args;
  if (a.empty()) return Usage(s, "a subcommand is needed");
  const std::string& sub = a[0];
  const bool known = sub == "hide" || sub == "show" || sub == "link" || sub == "unlink" || sub == "run";
  if (!known) return Usage(s, "unknown subcommand " + sub);
  if (a.size() != (sub == "link" ? 3u : 2u))
    return Usage(s, sub + (sub == "link" ? " needs ID and PROGRAM" : " needs ID"));
  const std::string& id = a[1];
  if (!s.ChoosePort()) return 2;
  // "Show ALL" lists the hidden modes too, so that every mode the adapter has is there
  // to select.
  if (!Search(s, true)) return 1;
  const int row = FindMode(s, id);
  if (row < 0) {
    ShowModes(s);
    return s.Fail(1, "the adapter lists no mode " + id);
  }
  s.form->lvModes.UserSelect(row);
  const int state = s.form->lvModes.Item(row).StateIndex();
  if (sub == "hide") return Hide(s, id, state);
  if (sub == "show") return Show(s, id, state);
  if (sub == "link") return Link(s, id, a[2]);
  if (sub == "unlink") return Unlink(s, id);
  return Run(s, id, state);
}

Registrar mode({"mode",
                "hide ID | show ID | link ID PROGRAM | unlink ID | run ID",
                "hide or show a mode, or link, unlink and start the program of a mode",
                "Searches with \"Show ALL\" ticked, selects the mode ID in the list and presses the\n"
                "Settings page's button for it: hide and show (\"Hide\"/\"Show\": print the mode list\n"
                "afterwards), link (\"...\", choosing PROGRAM), unlink (\"X\", which asks first: answer\n"
                "with --yes) and run (\"Run\": starts the linked program in its own folder). link,\n"
                "unlink and run print the mode ID, a tab and the linked program. Hidden marks and\n"
                "links are kept in the settings by mode ID, for every adapter that lists it.\n"
                "Exit code 0 when done, 1 when the adapter did not answer or the page refused (the\n"
                "running mode and mode 000 cannot be hidden), 2 for usage errors.",
                RunMode,
                {},
                true,
                [](const std::vector<std::string>& a) { return !a.empty() && a[0] != "run"; }});

}  // namespace
}  // namespace bx::cli
