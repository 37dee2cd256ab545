#include <gtest/gtest.h>

#include "platform/RegistryExport.h"
#include "platform/fake/MemoryRegistry.h"

namespace {

using bx::Hive;

TEST(RegistryExport, EmptyRegistryIsTheHeaderAlone) {
  bx::MemoryRegistry r;
  EXPECT_EQ(bx::ExportRegedit4(r), "REGEDIT4\n\n");
}

TEST(RegistryExport, FileAssociationInBothHivesInTreeOrder) {
  bx::MemoryRegistry r;
  const std::string exe = "/opt/brevantix/brevantix-configurator";
  for (Hive h : {Hive::LocalMachine, Hive::CurrentUser}) {  // written the other way round on purpose
    r.WriteString(h, "SOFTWARE\\Classes\\Brevantix_Firmware\\shell\\open\\command", "", "\"" + exe + "\" \"%1\"");
    r.WriteString(h, "SOFTWARE\\Classes\\Brevantix_Firmware\\DefaultIcon", "", "\"" + exe + "\",0");
    r.WriteString(h, "SOFTWARE\\Classes\\.rfw", "", "Brevantix_Firmware");
  }
  r.WriteInteger(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "SortCol", 10);
  r.WriteInteger(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "WinTop", -1);
  r.WriteString(Hive::CurrentUser, "SOFTWARE\\dulMAR Company ::.", "Path", exe);

  std::string hive;
  for (const char* name : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
    const std::string n = name;
    hive += "[" + n + "\\SOFTWARE]\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes]\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\.rfw]\n@=\"Brevantix_Firmware\"\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\Brevantix_Firmware]\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\Brevantix_Firmware\\DefaultIcon]\n@=\"\\\"" + exe + "\\\",0\"\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\Brevantix_Firmware\\shell]\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\Brevantix_Firmware\\shell\\open]\n\n";
    hive += "[" + n + "\\SOFTWARE\\Classes\\Brevantix_Firmware\\shell\\open\\command]\n@=\"\\\"" + exe +
            "\\\" \\\"%1\\\"\"\n\n";
    if (n == "HKEY_CURRENT_USER")
      hive += "[HKEY_CURRENT_USER\\SOFTWARE\\dulMAR Company ::.]\n\"Path\"=\"" + exe +
              "\"\n\"SortCol\"=dword:0000000a\n\"WinTop\"=dword:ffffffff\n\n";
  }
  EXPECT_EQ(bx::ExportRegedit4(r), "REGEDIT4\n\n" + hive);
}

// A subkey comes right after its parent, before a sibling that sorts between them as a
// whole path ("A.x" < "A\B" bytewise, yet "A\B" belongs to "A").
TEST(RegistryExport, SubkeysFollowTheirParent) {
  bx::MemoryRegistry r;
  r.CreateKey(Hive::CurrentUser, "a\\B");
  r.CreateKey(Hive::CurrentUser, "A.x");
  r.CreateKey(Hive::CurrentUser, "_z");
  EXPECT_EQ(bx::ExportRegedit4(r),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\a]\n\n[HKEY_CURRENT_USER\\a\\B]\n\n"
            "[HKEY_CURRENT_USER\\A.x]\n\n[HKEY_CURRENT_USER\\_z]\n\n");
}

TEST(RegistryExport, ValueLinesEscapeLikeRegedit) {
  using bx::RegValue;
  EXPECT_EQ(bx::Regedit4ValueLine("a\\b\"c", RegValue::String("C:\\x \"y\"")), R"("a\\b\"c"="C:\\x \"y\"")");
  EXPECT_EQ(bx::Regedit4ValueLine("", RegValue::String("")), R"(@="")");
  EXPECT_EQ(bx::Regedit4ValueLine("", RegValue::Integer(0)), "@=dword:00000000");
  EXPECT_EQ(bx::Regedit4ValueLine("n", RegValue::Integer(INT32_MIN)), "\"n\"=dword:80000000");
  EXPECT_EQ(bx::Regedit4ValueLine("n", RegValue::String("\xE9t\xE9")), "\"n\"=\"\xE9t\xE9\"");  // ANSI as is
}

TEST(RegistryExport, ControlCharactersCannotBreakALine) {
  using bx::RegValue;
  EXPECT_EQ(bx::Regedit4ValueLine("m", RegValue::String("a\nb")), "\"m\"=hex(1):61,0a,62,00");
  EXPECT_EQ(bx::Regedit4ValueLine("m", RegValue::String(std::string("\0", 1))), "\"m\"=hex(1):00,00");
  EXPECT_EQ(bx::Regedit4ValueLine("m", RegValue::String("\x1b[2J")), "\"m\"=hex(1):1b,5b,32,4a,00");
}

// Names come from the store as they are: a line break or an escape sequence in one
// must not reach the text either.
TEST(RegistryExport, ControlCharactersInNamesCannotBreakALine) {
  using bx::RegValue;
  EXPECT_EQ(bx::Regedit4ValueLine("a\nb\\c", RegValue::Integer(1)), R"("a\x0ab\\c"=dword:00000001)");
  bx::MemoryRegistry r;
  r.CreateKey(Hive::CurrentUser, std::string("K\x1b[2J\nL\0", 8));
  EXPECT_EQ(bx::ExportRegedit4(r), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K\\x1b[2J\\x0aL\\x00]\n\n");
}

TEST(RegistryExport, HiveRootGetsASectionOnlyWithValues) {
  bx::MemoryRegistry r;
  r.WriteInteger(Hive::LocalMachine, "", "Top", 1);
  r.CreateKey(Hive::CurrentUser, "K");
  EXPECT_EQ(bx::ExportRegedit4(r),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\n[HKEY_LOCAL_MACHINE]\n\"Top\"=dword:00000001\n\n");
}

// From a registry that holds every program's keys, the named keys with their subtrees
// alone, spelt as stored: a sibling, a parent and a key missing in one hive stay out.
TEST(RegistryExport, NamedKeysAloneHiveByHiveInTheOrderGiven) {
  bx::MemoryRegistry r;
  r.WriteString(Hive::CurrentUser, "Software\\Other", "x", "theirs");
  r.WriteString(Hive::CurrentUser, "Software\\Own\\Sub", "a", "1");
  r.WriteString(Hive::CurrentUser, "Software\\Own.x", "b", "2");
  r.WriteString(Hive::CurrentUser, "Software\\Second", "c", "3");
  r.WriteString(Hive::LocalMachine, "SOFTWARE\\SECOND", "d", "4");
  EXPECT_EQ(bx::ExportRegedit4(r, {"\\software\\second\\", "SOFTWARE\\own", "Software\\Missing", ""}),
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Second]\n\"c\"=\"3\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Own]\n\n"
            "[HKEY_CURRENT_USER\\Software\\Own\\Sub]\n\"a\"=\"1\"\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\SECOND]\n\"d\"=\"4\"\n\n");
}

}  // namespace
