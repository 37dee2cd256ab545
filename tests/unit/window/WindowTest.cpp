#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "exchange/Identity.h"
#include "support/FormFixture.h"
#include "netdev/NetworkPage.h"
#include "wifi/WiFiPage.h"
#include "window/Modules.h"
#include "support/ScopedGlobals.h"

namespace bx {
namespace {

using test::FormWorld;

std::optional<std::string> Str(FormWorld& w, Hive h, const std::string& key, const std::string& name) {
  return w.registry.ReadString(h, key, name);
}
std::optional<int32_t> Int(FormWorld& w, Hive h, const std::string& name) {
  return w.registry.ReadInteger(h, kSettingsKey, name);
}

TEST(Window, CreationShowsTheTitleVisibleTabsAndAssociation) {
  FormWorld w;
  TfrmMain& f = w.Start();
  EXPECT_EQ(f.Caption(), "Brevantix Configurator Version 3.0.3.2");
  EXPECT_EQ(f.ApplicationTitle(), f.Caption());
  std::vector<std::string> visible;
  for (auto* p : f.pcOptions.Pages())
    if (p->TabVisible()) visible.push_back(p->Caption());
  EXPECT_EQ(visible, (std::vector<std::string>{"Settings", "Update", "Network", "Passthru SAE J2534", "About"}));
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.tsSettings);
  EXPECT_EQ(f.GroupBox_Driver.Caption(), " Brevantix Driver ");
  EXPECT_TRUE(f.imgLogo.Visible());
  EXPECT_FALSE(f.imgLogo.Picture.empty());
  const std::string path = "/opt/brevantix/brevantix-configurator";
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
    EXPECT_EQ(Str(w, h, "SOFTWARE\\Classes\\.rfw", ""), "Brevantix_Firmware");
    EXPECT_EQ(Str(w, h, "SOFTWARE\\Classes\\Brevantix_Firmware\\DefaultIcon", ""), "\"" + path + "\",0");
    EXPECT_EQ(Str(w, h, "SOFTWARE\\Classes\\Brevantix_Firmware\\shell\\open\\command", ""), "\"" + path + "\" \"%1\"");
    EXPECT_EQ(Str(w, h, kSettingsKey, "Path"), path);
  }
  EXPECT_EQ(w.timer.begun, std::vector<int>{1});
}

TEST(Window, WithoutVersionInformationTheDesignTextsStay) {
  FormWorld w;
  auto c = w.Context();
  c.version.reset();
  TfrmMain& f = w.Start(std::move(c));
  EXPECT_EQ(f.Caption(), "Configurator");
  EXPECT_EQ(f.lbName.Caption(), "Name");
  EXPECT_EQ(f.lbRef.Caption(), "www");
  EXPECT_FALSE(f.imgLogo.Visible());
}

TEST(Window, PassThruEntryIsRefreshedOnlyWhenRegistered) {
  FormWorld w;
  w.Start();
  EXPECT_FALSE(
      w.registry.KeyExists(Hive::CurrentUser, "SOFTWARE\\PassThruSupport.04.04\\dulMAR Company ::. - Brevantix"));
  w.Close();
  // The driver's registration is a key of that name; a value of that name is not one.
  w.registry.WriteString(Hive::CurrentUser, "SOFTWARE\\PassThruSupport.04.04", "dulMAR Company ::. - Brevantix", "x");
  w.Start();
  EXPECT_FALSE(
      w.registry.KeyExists(Hive::CurrentUser, "SOFTWARE\\PassThruSupport.04.04\\dulMAR Company ::. - Brevantix"));
  w.Close();
  w.registry.CreateKey(Hive::CurrentUser, "SOFTWARE\\PassThruSupport.04.04\\dulMAR Company ::. - Brevantix");
  w.Start();
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine})
    EXPECT_EQ(Str(w, h, "SOFTWARE\\PassThruSupport.04.04\\dulMAR Company ::. - Brevantix", "ConfigApplication"),
              "/opt/brevantix/brevantix-configurator");
}

TEST(Window, FirstStartWritesSortColToThePerUserHiveAndCloseWritesBoth) {
  FormWorld w;
  TfrmMain& f = w.Start();
  EXPECT_EQ(Int(w, Hive::CurrentUser, "SortCol"), 0);
  EXPECT_FALSE(Int(w, Hive::LocalMachine, "SortCol"));
  EXPECT_FALSE(f.RestorePosition);
  f.SetBounds(120, 80, 714, 424);
  f.SortColumn = 2;
  f.SortDescending = true;
  ASSERT_TRUE(w.Close());
  for (Hive h : {Hive::CurrentUser, Hive::LocalMachine}) {
    EXPECT_EQ(Int(w, h, "SortCol"), 2);
    EXPECT_EQ(Int(w, h, "SortDir"), 1);
    EXPECT_EQ(Int(w, h, "WinTop"), 80);
    EXPECT_EQ(Int(w, h, "WinLeft"), 120);
  }
  EXPECT_EQ(w.timer.ended, std::vector<int>{1});
  TfrmMain& again = w.Start();
  EXPECT_TRUE(again.RestorePosition);
  EXPECT_EQ(again.Left(), 120);
  EXPECT_EQ(again.Top(), 80);
  EXPECT_TRUE(again.SortDescending);
}

TEST(Window, OutOfRangeSortColumnIsResetAndWrittenBack) {
  FormWorld w;
  w.registry.WriteInteger(Hive::CurrentUser, kSettingsKey, "SortCol", 3);
  TfrmMain& f = w.Start();
  EXPECT_EQ(f.SortColumn, 0);
  EXPECT_EQ(Int(w, Hive::CurrentUser, "SortCol"), 0);
  EXPECT_EQ(Int(w, Hive::LocalMachine, "SortCol"), 0);
}

TEST(Window, WrongTypedSettingsFallBackToDefaultsInsteadOfStoppingTheStart) {
  FormWorld w;
  for (const char* n : {"SortCol", "SortDir", "WinTop", "WinLeft"})
    w.registry.WriteString(Hive::CurrentUser, kSettingsKey, n, "garbage");
  TfrmMain& f = w.Start();
  EXPECT_EQ(f.SortColumn, 0);
  EXPECT_FALSE(f.SortDescending);
  ASSERT_TRUE(w.Close());
  EXPECT_EQ(Int(w, Hive::CurrentUser, "SortDir"), 0);  // repaired by the close writes
}

TEST(Window, CommandLineFileOpensTheUpdatePageAndAnOfferedImageOnlyFillsIt) {
  FormWorld w;
  const auto file = std::filesystem::temp_directory_path() / "bx-window-test.rfw";
  std::ofstream(file) << "x";
  TfrmMain& f = w.Start({file.string()});
  EXPECT_EQ(f.edFW_File.Text(), file.string());
  EXPECT_EQ(f.pcOptions.ActivePage(), &f.Update);
  w.Close();
  TfrmMain& g = w.Start({"/nonexistent/file.rfw"});
  EXPECT_EQ(g.edFW_File.Text(), "");
  EXPECT_EQ(g.pcOptions.ActivePage(), &g.tsSettings);
  w.Close();
  // The demo's own image waits in the Update page's field; the window opens where it always does.
  AppContext offered = w.Context();
  offered.offeredFirmware = file.string();
  TfrmMain& h = w.Start(std::move(offered));
  EXPECT_EQ(h.edFW_File.Text(), file.string());
  EXPECT_EQ(h.pcOptions.ActivePage(), &h.tsSettings);
  std::filesystem::remove(file);
}

TEST(Window, CancelInEitherSaveQuestionKeepsTheWindowOpenAndWritesNothing) {
  for (const bool network : {true, false}) {
    FormWorld w;
    TfrmMain& f = w.Start();
    // An unsaved change on either page.
    if (network)
      f.Modules->network->RecordDevice({"", "", "10.0.0.9", "23"}, kMarkNew);
    else {
      f.Modules->wifi->Show();
      f.edWiFi_Alias.UserType("Kept");
    }
    w.dialogs.answers = {mb::IdCancel};
    EXPECT_FALSE(w.Close());
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text,
              network ? "Save the changes on the Network page?" : "Save the changes on the WiFi page?");
    EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + (network ? " - Network Search..." : " - WiFi Config..."));
    EXPECT_EQ(w.dialogs.messages[0].flags, mb::YesNoCancel | mb::IconQuestion);
    EXPECT_FALSE(Int(w, Hive::CurrentUser, "WinTop"));
    w.dialogs.answers = {mb::IdNo};
    EXPECT_TRUE(w.Close());
  }
}

TEST(Window, MissingTimerLibraryIsSkippedSilently) {
  FormWorld w;
  w.timer.present = false;
  w.Start();
  ASSERT_TRUE(w.Close());
  EXPECT_TRUE(w.timer.begun.empty());
  EXPECT_TRUE(w.timer.ended.empty());
}

TEST(Window, HelpersMessageBoxAndFileChoice) {
  FormWorld w;
  TfrmMain& f = w.Start();
  f.AppMessageBox("Error...", "text", mb::IconError);
  EXPECT_EQ(w.dialogs.messages.back().caption, f.Caption() + " - Error...");
  std::string name = "start.rfw";
  w.dialogs.files = {"/tmp/chosen.rfw"};
  EXPECT_TRUE(f.SelectFile("Firmware files", "*.RFW", name));
  EXPECT_EQ(name, "/tmp/chosen.rfw");
  EXPECT_EQ(w.dialogs.fileRequests.back().filter, "Firmware files|*.rfw|All files|*.*");
  EXPECT_EQ(w.dialogs.fileRequests.back().fileName, "start.rfw");
  EXPECT_FALSE(f.SelectFile("Firmware files", "*.RFW", name));
  EXPECT_EQ(name, "/tmp/chosen.rfw");
}

TEST(Window, WholeFileHelpersKeepEveryByte) {
  const auto file = std::filesystem::temp_directory_path() / "bx-whole-file.bin";
  const Bytes data("a\0b\xff", 4);
  EXPECT_TRUE(TfrmMain::WriteWholeFile(file.string(), data));
  EXPECT_TRUE(TfrmMain::WriteWholeFile(file.string(), data));  // an existing file is replaced
  Bytes back;
  EXPECT_TRUE(TfrmMain::ReadWholeFile(file.string(), back));
  EXPECT_EQ(back, data);
  std::filesystem::remove(file);
  EXPECT_FALSE(TfrmMain::ReadWholeFile(file.string(), back));
  EXPECT_FALSE(TfrmMain::WriteWholeFile("/nonexistent-dir/x.bin", data));
}

TEST(Window, PageEntryShowsTheFirmwareHintWithoutADriverVersion) {
  FormWorld w;
  TfrmMain& f = w.Start();
  f.pcOptions.UserSelect(3);
  EXPECT_FALSE(f.lbJ2534_Message.Visible());
  f.pcOptions.UserSelect(0);
  f.Modules->identity->ShowReply("FW:2.1");
  f.pcOptions.UserSelect(3);
  EXPECT_TRUE(f.lbJ2534_Message.Visible());
  EXPECT_EQ(f.lbJ2534_Message.Caption(), "  Update Firmware !!!");

  // An adapter that offered a driver, then one that offers none: the page goes by the
  // adapter searched last, not by the driver the first one offered.
  f.pcOptions.UserSelect(0);
  f.Modules->identity->ClearIdentity();  // as a search begins
  f.Modules->identity->ShowReply("FW:3.2.1.7\r\nPT:4.4.12");
  f.pcOptions.UserSelect(3);
  EXPECT_FALSE(f.lbJ2534_Message.Visible());
  EXPECT_TRUE(f.btJ2534_Install.Enabled());
  f.pcOptions.UserSelect(0);
  f.Modules->identity->ClearIdentity();
  f.Modules->identity->ShowReply("FW:2.1");
  f.pcOptions.UserSelect(3);
  EXPECT_FALSE(f.btJ2534_Install.Enabled());
  EXPECT_TRUE(f.lbJ2534_Message.Visible());
  EXPECT_EQ(f.lbJ2534_Message.Caption(), "  Update Firmware !!!");
}

TEST(Window, AboutLinksHoverAndOpen) {
  FormWorld w;
  TfrmMain& f = w.Start();
  f.lbRef.MouseEnter();
  EXPECT_TRUE(f.lbRef.font.style.underline);
  f.lbRef.MouseLeave();
  EXPECT_FALSE(f.lbRef.font.style.underline);
  f.pcOptions.SetActivePage(&f.About);
  f.lbRef.Click();
  f.lbMail.Click();
  ASSERT_EQ(w.shell.calls.size(), 2u);
  EXPECT_EQ(w.shell.calls[0].target, "https://www.brevantix.example");
  const std::string mail = w.shell.calls[1].target;
  EXPECT_EQ(mail.rfind("mailto:orders@brevantix.example?subject=Order%20for%20Brevantix%20Adapter%20-%20", 0), 0u);
  EXPECT_EQ(mail.size(),
            std::string("mailto:orders@brevantix.example?subject=Order%20for%20Brevantix%20Adapter%20-%20").size() + 8);
}

}  // namespace
}  // namespace bx

namespace bx {
namespace {

TEST(Window, AFailingCloseWriteIsShownAndTheWindowStillGoes) {
  test::FormWorld w;
  std::vector<std::string> shown;
  test::ScopedExceptionDisplay display([&](const std::string& m) { shown.push_back(m); });
  TfrmMain& f = w.Start();
  w.registry.FailWrites(Hive::LocalMachine, "WinTop");
  ui::Invoke([&] { f.Close(); });
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Failed to set data for 'WinTop'");
  EXPECT_TRUE(f.Closed());
  w.form.reset();  // no second attempt, no exception out of the destructor
}

}  // namespace
}  // namespace bx
