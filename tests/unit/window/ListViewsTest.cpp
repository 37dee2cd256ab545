#include <gtest/gtest.h>

#include "support/FormFixture.h"

namespace bx {
namespace {

void Fill(ui::TListView& v, std::vector<std::vector<std::string>> rows) {
  for (auto& r : rows) {
    auto& it = v.Add();
    it.SetCaption(r[0]);
    for (std::size_t i = 1; i < r.size(); ++i) it.AddSubItem(r[i]);
  }
}

std::vector<std::string> Column(ui::TListView& v, int c) {
  std::vector<std::string> out;
  for (int i = 0; i < v.Count(); ++i)
    out.push_back(c == 0 ? v.Item(i).Caption() : v.Item(i).SubItems()[static_cast<std::size_t>(c - 1)]);
  return out;
}

TEST(ListViews, ColumnClicksShareOneSortStateAndCompareAsText) {
  test::FormWorld w;
  TfrmMain& f = w.Start();
  f.lvModes.ColumnClick(2);  // empty list: nothing changes
  EXPECT_EQ(f.SortColumn, 0);
  Fill(f.lvModes, {{"00", "9", "b"}, {"01", "10", "A"}, {"02", "2", "c"}});
  f.lvModes.ColumnClick(2);
  EXPECT_EQ(Column(f.lvModes, 2), (std::vector<std::string>{"A", "b", "c"}));
  f.lvModes.ColumnClick(2);
  EXPECT_EQ(Column(f.lvModes, 2), (std::vector<std::string>{"c", "b", "A"}));
  f.lvModes.ColumnClick(1);  // another column: ascending, as text (10 before 2 before 9)
  EXPECT_EQ(Column(f.lvModes, 1), (std::vector<std::string>{"10", "2", "9"}));
  EXPECT_FALSE(f.SortDescending);
}

TEST(ListViews, ItemWithoutTheSortedSubItemComparesEqual) {
  test::FormWorld w;
  TfrmMain& f = w.Start();
  Fill(f.lvNetDevices, {{"b", "1"}, {"a"}, {"c", "0"}});
  f.SortColumn = 1;
  ui::TListItem& noSub = f.lvNetDevices.Item(1);
  EXPECT_EQ(f.ListCompare(noSub, f.lvNetDevices.Item(0)), 0);
  EXPECT_EQ(f.ListCompare(f.lvNetDevices.Item(2), f.lvNetDevices.Item(0)), -1);
}

TEST(ListViews, CopyToBufferAndTheSelectionKeys) {
  test::FormWorld w;
  TfrmMain& f = w.Start();
  f.btCopy.SetEnabled(true);
  f.btCopy.Click();  // an empty pane leaves the clipboard alone
  EXPECT_EQ(w.clipboard.sets, 0);
  f.memLog.AddLine("SN:1234");
  f.btCopy.Click();
  EXPECT_EQ(w.clipboard.Text(), "SN:1234\r\n");
  EXPECT_EQ(f.memLog.SelLength(), static_cast<int>(f.memLog.Text().size()));

  f.edCOM.SetText("/dev/ttyACM0");
  f.edCOM.SetSel(0, 0);
  ui::KeyEvent a{ui::vk::A, true};
  f.edCOM.KeyDown(a);
  EXPECT_EQ(a.key, 0);
  EXPECT_EQ(f.edCOM.SelText(), "/dev/ttyACM0");
  ui::KeyEvent c{ui::vk::C, true, true};  // other modifiers held too
  f.edCOM.KeyDown(c);
  EXPECT_EQ(w.clipboard.Text(), "/dev/ttyACM0");
  ui::KeyEvent plain{ui::vk::A};
  f.edCOM.KeyDown(plain);
  EXPECT_EQ(plain.key, ui::vk::A);
  EXPECT_EQ(f.CopyKeyControls().size(), 33u);
}

TEST(ListViews, NetworkCopyButtonFollowsItsPane) {
  test::FormWorld w;
  TfrmMain& f = w.Start();
  EXPECT_FALSE(f.btCopy_Network.Enabled());
  f.memLog_Network.AddLine("x");
  EXPECT_TRUE(f.btCopy_Network.Enabled());
  f.memLog_Network.Clear();
  EXPECT_FALSE(f.btCopy_Network.Enabled());
}

}  // namespace
}  // namespace bx
