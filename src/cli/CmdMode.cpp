// brevantix-cli mode: the mode housekeeping of the Settings page (Hide/Show, the linked
// program's "...", "X" and "Run"), each on the mode the user would select in the list,
// with the marks and links kept in the settings as the page keeps them.
#include <filesystem>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/TerminalDialogs.h"
#include "settings/HiddenModes.h"

namespace bx::cli {
namespace {

// The mode the command acts on, as the page shows it once selected: its row in the list
// (with "Show ALL" ticked), the program linked to its mode ID.
struct Chosen {
  ModeListing modes;
  std::size_t row = 0;
  std::string program;
  const std::string& Id() const { return modes.rows[row].id; }
  int State() const { return modes.rows[row].state; }
  // The page's buttons as the selected row offers them.
  bool HideOffered() const {
    return State() == mode_state::Hidden || (State() != mode_state::Selected && Id() != "000");
  }
  bool LinkOffered() const { return State() != mode_state::Hidden && !program.empty(); }
};

void ShowModes(Session& s, const ModeListing& modes) {
  if (s.json)
    s.json->doc["modes"] = ModesJson(modes);
  else
    PrintModes(s, modes);
}

void ShowLink(Session& s, const std::string& id, const std::string& program) {
  if (s.json) {
    s.json->doc["id"] = id;
    s.json->doc["program"] = program;
  } else {
    *s.out << Shown(id) << "\t" << Shown(program) << "\n";
  }
}

void Note(Session& s, const std::string& text) { *s.err << "brevantix-cli: " << Shown(text) << "\n"; }

Settings& Store(Session& s) { return *s.settings; }

// The mark goes into the store by mode ID with the description the mode has; the row
// shows it at once.
int Hide(Session& s, Chosen& c) {
  const std::string& id = c.Id();
  if (c.State() == mode_state::Hidden) {
    Note(s, "mode " + id + " is hidden already");
  } else if (!c.HideOffered()) {
    ShowModes(s, c.modes);
    return s.Fail(1, "mode " + id + " cannot be hidden: " +
                         (c.State() == mode_state::Selected ? "it is the running mode" : "mode 000 is always listed"));
  } else {
    StoreHidden(Store(s), id, c.modes.rows[c.row].description, true);
    c.modes.rows[c.row].state = mode_state::Hidden;
  }
  ShowModes(s, c.modes);
  return 0;
}

int Show(Session& s, Chosen& c) {
  if (c.State() != mode_state::Hidden) {
    Note(s, "mode " + c.Id() + " is not hidden");
  } else {
    StoreHidden(Store(s), c.Id(), c.modes.rows[c.row].description, false);
    c.modes.rows[c.row].state = mode_state::Active;
  }
  ShowModes(s, c.modes);
  return 0;
}

// The program is chosen in the file dialog the page opens, as the user would pick it.
int Link(Session& s, Chosen& c, const std::string& program) {
  const std::string& id = c.Id();
  std::error_code ec;
  const std::string path = std::filesystem::absolute(program, ec).lexically_normal().string();
  s.dialogs->nextFile = path;
  std::string chosen = c.program;
  if (s.SelectProgram(chosen)) {
    if (std::filesystem::is_regular_file(chosen, ec)) {
      c.program = chosen;
      Store(s).WriteSettingString("Run", id, chosen);
    } else {
      s.AppMessageBox("Error...", "Executable file \"" + chosen + "\" is not found.", mb::IconError);
    }
  }
  s.dialogs->nextFile.reset();
  if (c.program != path) return s.Fail(1, "mode " + id + " was not linked");
  ShowLink(s, id, c.program);
  return 0;
}

// "X" asks first; a hidden mode does not offer it.
int Unlink(Session& s, Chosen& c) {
  const std::string& id = c.Id();
  if (c.program.empty()) {
    Note(s, "mode " + id + " has no program linked");
  } else {
    const bool unlinked =
        c.LinkOffered() &&
        s.AppMessageBox("Unlink...", "Do you really want to unlink \"" + c.program + "\" from mode " + id + "?",
                        mb::IconQuestion | mb::YesNoCancel | mb::DefaultNo) == mb::IdYes;
    if (!unlinked) return s.Fail(1, "mode " + id + " stays linked (answer with --yes)");
    c.program.clear();
    Store(s).WriteSettingString("Run", id, "");
  }
  ShowLink(s, id, c.program);
  return 0;
}

// The program runs in its own folder; the shell starts it there.
int Run(Session& s, Chosen& c) {
  const std::string& id = c.Id();
  if (!c.LinkOffered()) {
    if (c.program.empty()) return s.Fail(1, "no program is linked to mode " + id);
    return s.Fail(1, "mode " + id + " is " + ModeStateName(c.State()) + ": its program is not offered");
  }
  if (Shell* shell = s.services.shell.get())
    (void)shell->Open(c.program, std::filesystem::path(c.program).parent_path().string());
  ShowLink(s, id, c.program);
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
  const auto d = ChosenDevice(s);
  if (!Search(s, *d, true)) return 1;
  Chosen c;
  c.modes = d->Modes();
  std::size_t row = 0;
  while (row < c.modes.rows.size() && c.modes.rows[row].id != id) ++row;
  if (row == c.modes.rows.size()) {
    ShowModes(s, c.modes);
    return s.Fail(1, "the adapter lists no mode " + id);
  }
  c.row = row;
  // Selecting the entry shows the program linked to its mode, as the page does (a read of
  // the store that keeps an empty link for it).
  c.program = Store(s).ReadSettingString("Run", id, "");
  if (sub == "hide") return Hide(s, c);
  if (sub == "show") return Show(s, c);
  if (sub == "link") return Link(s, c, a[2]);
  if (sub == "unlink") return Unlink(s, c);
  return Run(s, c);
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
