// --trace and report as support asks a user for them: a search, an upload (one adapter
// and a batch), a WiFi save with its key, and the report's archive, against simulated
// adapters on pseudo-terminals.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <map>
#include <sstream>

#include "core/Bytes.h"
#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"
#include "support/TraceLines.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");
const std::string kDemo = std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::map<std::string, std::string> ZipMembers(const std::string& path) {
  std::map<std::string, std::string> out;
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!z) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    if (!f) continue;
    std::string data(static_cast<std::size_t>(st.size), '\0');
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    out[st.name] = data;
  }
  zip_discard(z);
  return out;
}

// Each chunk line's time is at least the one before.
void ExpectTimesInOrder(const std::vector<TraceChunk>& chunks) {
  ASSERT_FALSE(chunks.empty());
  for (std::size_t i = 1; i < chunks.size(); ++i) ASSERT_GE(chunks[i].us, chunks[i - 1].us) << "line " << i;
  EXPECT_LT(chunks.front().us, chunks.back().us);
}

// An adapter whose bootloader prompts, so that an upload starts.
sim::Scenario Prompting(const std::string& serial = "BX240017") {
  sim::Scenario s;
  s.serial = serial;
  s.promptDelayMs = 100;
  return s;
}

// "@", the page number (little-endian): the head of a page frame.
std::string PageHead(int page) {
  std::string h = "@";
  h += static_cast<char>(page & 0xFF);
  h += static_cast<char>(page >> 8);
  return h;
}

// The page frames of an upload, each at most once and in order, until the end frame.
int PagesInOrder(const std::string& tx, std::size_t from) {
  int page = 0;
  for (std::size_t at = tx.find(PageHead(0), from); at != std::string::npos; at = tx.find(PageHead(++page), at + 3)) {
  }
  return page;
}

TEST(TraceCli, SearchTracesTheCommandAndTheReplyInOrder) {
  TempHome home;
  TempFolder folder;
  sim::PtyAdapter adapter;
  ASSERT_TRUE(adapter.Start());
  const std::string trace = folder.Path() + "/search.trace";
  const RunResult r = RunProgram({kCli, "--trace", trace, "--port", adapter.SlavePath(), "search"}, home.Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = ReadText(trace);
  EXPECT_EQ(text.rfind("# ", 0), 0u) << text;
  EXPECT_TRUE(Has(text, " ## " + kCli + " --trace " + trace + " --port ")) << text;
  const std::vector<TraceChunk> chunks = ParseTrace(text);
  ExpectTimesInOrder(chunks);
  for (const TraceChunk& c : chunks) EXPECT_EQ(c.port, adapter.SlavePath());
  const std::string tx = TraceStream(chunks, "TX"), rx = TraceStream(chunks, "RX");
  EXPECT_EQ(tx.rfind("!dulMAR_SC_I", 0), 0u) << tx;
  EXPECT_TRUE(Has(rx, "SN:BX240017")) << rx;
  EXPECT_EQ(chunks[0].dir, "TX");  // the command, before any reply
  EXPECT_TRUE(Has(text, "## the run ends with exit code 0"));
  adapter.Stop();
}

TEST(TraceCli, UploadTracesEveryPageFrameInOrder) {
  TempHome home;
  TempFolder folder;
  sim::PtyAdapter adapter(Prompting());
  ASSERT_TRUE(adapter.Start());
  const std::string trace = folder.Path() + "/flash.trace";
  const RunResult r =
      RunProgram({kCli, "--trace", trace, "--port", adapter.SlavePath(), "flash", kDemo}, home.Env(), 60000);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::vector<TraceChunk> chunks = ParseTrace(ReadText(trace));
  ExpectTimesInOrder(chunks);
  const std::string tx = TraceStream(chunks, "TX");
  const std::size_t update = tx.find("!dulMAR_SC_U");
  ASSERT_NE(update, std::string::npos);
  EXPECT_LT(tx.find("!dulMAR_SC_I"), update);  // the search first
  int written = 0;
  for (std::size_t at = r.out.find(" : Ok\n"); at != std::string::npos; at = r.out.find(" : Ok\n", at + 1))
    written += r.out.compare(r.out.rfind('\n', at) + 1, 13, "Writing Page ") == 0;
  ASSERT_GT(written, 100) << r.out;
  EXPECT_EQ(PagesInOrder(tx, update), written);
  EXPECT_TRUE(Has(tx, PageHead(0xFFFF)));  // the end frame
  // The bootloader's requests and acknowledgements between the frames: at least one a page.
  int rxAfter = 0;
  bool seenUpdate = false;
  for (const TraceChunk& c : chunks) {
    seenUpdate = seenUpdate || (c.dir == "TX" && Has(c.bytes, "!dulMAR_SC_U"));
    rxAfter += seenUpdate && c.dir == "RX" && c.first;
  }
  EXPECT_GE(rxAfter, written);
  adapter.Stop();
}

// A batch: one trace, every line naming its port, each adapter's frames complete.
TEST(TraceCli, BatchFlashNamesThePortOnEveryLine) {
  TempHome home;
  TempFolder folder;
  const std::string image = folder.Write("batch.rfw", Pattern(80 + 256 * 12, 3));
  sim::PtyAdapter a(Prompting("BXTRACE1")), b(Prompting("BXTRACE2"));
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  const std::string trace = folder.Path() + "/batch.trace";
  const RunResult r = RunProgram(
      {kCli, "--trace", trace, "--port", a.SlavePath(), "--port", b.SlavePath(), "flash", image}, home.Env(), 60000);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::vector<TraceChunk> chunks = ParseTrace(ReadText(trace));
  ExpectTimesInOrder(chunks);
  for (const TraceChunk& c : chunks) EXPECT_TRUE(c.port == a.SlavePath() || c.port == b.SlavePath()) << c.port;
  for (const std::string& port : {a.SlavePath(), b.SlavePath()}) {
    const std::string tx = TraceStream(chunks, "TX", port);
    const std::size_t update = tx.find("!dulMAR_SC_U");
    ASSERT_NE(update, std::string::npos) << port;
    EXPECT_EQ(PagesInOrder(tx, update), 12) << port;
  }
  a.Stop();
  b.Stop();
}

// The key of a WiFi save is masked in the command and in the replies, as in the log;
// --trace-keys, asked for, leaves it.
TEST(TraceCli, WiFiKeysAreMaskedUnlessAskedFor) {
  TempHome home;
  TempFolder folder;
  const std::string key = "Tr4ceS3cret";
  for (const bool show : {false, true}) {
    sim::PtyAdapter adapter;
    ASSERT_TRUE(adapter.Start());
    const std::string trace = folder.Path() + (show ? "/shown.trace" : "/masked.trace");
    std::vector<std::string> argv = {kCli, "--trace", trace};
    if (show) argv.push_back("--trace-keys");
    argv.insert(argv.end(), {"--port", adapter.SlavePath(), "wifi", "set", "APPW=" + key});
    const RunResult r = RunProgram(argv, home.Env(), 60000);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string text = ReadText(trace);
    const std::vector<TraceChunk> chunks = ParseTrace(text);
    const std::string tx = TraceStream(chunks, "TX"), rx = TraceStream(chunks, "RX");
    EXPECT_TRUE(Has(tx, "!dulMAR_SC_WC?")) << tx;
    if (show) {
      EXPECT_TRUE(Has(tx, "APPW=" + key)) << tx;
      EXPECT_TRUE(Has(text, "WiFi keys NOT masked"));
    } else {
      EXPECT_FALSE(Has(text, key)) << "the key in the trace's text";
      EXPECT_FALSE(Has(tx + rx, key)) << "the key in the trace's bytes";
      EXPECT_TRUE(Has(tx, "APPW=" + std::string(key.size(), '*'))) << tx;
      EXPECT_FALSE(Has(rx, "APPW=brevantix")) << rx;
    }
    adapter.Stop();
  }
}

TEST(TraceCli, ReportHoldsEveryMemberWithTheKeysMasked) {
  TempHome home;
  TempFolder folder;
  sim::PtyAdapter adapter;
  ASSERT_TRUE(adapter.Start());
  const std::string zip = folder.Path() + "/report.zip";
  const RunResult r = RunProgram(
      {kCli, "--trace", folder.Path() + "/t.trace", "--port", adapter.SlavePath(), "report", zip}, home.Env(), 60000);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "The support report was written to " + zip + "\n")) << r.out;
  const std::map<std::string, std::string> m = ZipMembers(zip);
  std::string names;
  for (const auto& [name, data] : m) names += name + " ";
  EXPECT_EQ(names,
            "logs/memJ2534.txt logs/memLog.txt logs/memLogTest.txt logs/memLogWiFi.txt logs/memLog_Network.txt "
            "logs/memSYS.txt logs/memUpdate.txt passthru.txt ports.txt registry.reg trace.txt version.txt ");
  EXPECT_TRUE(Has(m.at("version.txt"), "FileVersion: 3.0.3.2\n")) << m.at("version.txt");
  EXPECT_TRUE(Has(m.at("ports.txt"), adapter.SlavePath() + "\tPort given on the command line\t")) << m.at("ports.txt");
  EXPECT_EQ(m.at("registry.reg").rfind("REGEDIT4\n", 0), 0u);
  EXPECT_TRUE(Has(m.at("registry.reg"), "[HKEY_CURRENT_USER\\SOFTWARE\\dulMAR Company ::.]")) << m.at("registry.reg");
  EXPECT_FALSE(m.at("passthru.txt").empty());
  // The search's reply, in the log and in the trace, with the access point's key masked.
  const std::string& log = m.at("logs/memLog.txt");
  EXPECT_TRUE(Has(log, "SN:BX240017")) << log;
  const std::vector<TraceChunk> chunks = ParseTrace(m.at("trace.txt"));
  EXPECT_TRUE(Has(TraceStream(chunks, "RX"), "SN:BX240017"));
  for (const auto& [name, data] : m) EXPECT_FALSE(Has(data, "APPW=brevantix")) << name;

  // Without a trace there is no trace member; without a port nothing is asked of an adapter.
  // The Network page's log holds the stored devices, as the window shows them on opening.
  ASSERT_EQ(RunProgram({kCli, "net", "add", "127.0.0.1", "45023", "Bench"}, home.Env()).exitCode, 0);
  const RunResult plain = RunProgram({kCli, "report", zip}, home.Env());
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(ZipMembers(zip).count("trace.txt"), 0u);
  EXPECT_TRUE(Has(ZipMembers(zip).at("logs/memLog_Network.txt"), "127.0.0.1 45023")) << "the stored devices";
  EXPECT_EQ(RunProgram({kCli, "report"}, home.Env()).exitCode, 2);
  EXPECT_EQ(RunProgram({kCli, "report", folder.Path() + "/no/such/folder/r.zip"}, home.Env()).exitCode, 1);
  adapter.Stop();
}

}  // namespace
}  // namespace bx::test
