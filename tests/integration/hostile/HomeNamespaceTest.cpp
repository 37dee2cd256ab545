// Homes as other local users and full or read-only disks leave them, each played in a
// private mount namespace of its own (root only: the test is skipped otherwise). The
// password database is a copy with two users of the test's own, bound over /etc/passwd
// inside the namespace alone; their homes and a shared folder standing in for /tmp are on
// a tmpfs of the namespace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;
using test::RunResult;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

bool CanUseMountNamespaces(std::string& why) {
  if (::geteuid() != 0) {
    why = "needs root for a private mount namespace";
    return false;
  }
  if (RunProgram({"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/true"}).exitCode != 0) {
    why = "unshare -m is not allowed here";
    return false;
  }
  return true;
}

// Runs `script` with sh in a private mount namespace; $1 is the CLI. The script prints
// "name=value" lines for the test to look at.
RunResult InNamespace(const std::string& script) {
  return RunProgram({"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script, "sh", kCli}, {},
                    120000);
}

// $H: a tmpfs of the namespace; $H/bin/cli: the CLI, where the test users may run it;
// victim (uid 4001, home $H/victim) and attacker (uid 4002) in the password database;
// $H/shared: a folder as /tmp is (root's, sticky, writable by all); as_victim and
// as_attacker run a command as that user with an empty environment (no HOME).
const char* kUsers = R"sh(
set -u
H=$(mktemp -d)
mount -t tmpfs -o mode=0755 tmpfs "$H" || { echo setup=failed; exit 0; }
mkdir "$H/bin" && cp "$1" "$H/bin/cli" && chmod 755 "$H/bin/cli"
cp /etc/passwd "$H/passwd"
echo "victim:x:4001:4001::$H/victim:/bin/sh" >> "$H/passwd"
echo "attacker:x:4002:4002::$H/attacker:/bin/sh" >> "$H/passwd"
echo "homeless:x:4003:4003:::/bin/sh" >> "$H/passwd"
mount --bind "$H/passwd" /etc/passwd
for u in victim:4001 attacker:4002; do
  mkdir -m 0700 "$H/${u%%:*}" && chown "${u#*:}:${u#*:}" "$H/${u%%:*}"
done
mkdir -m 1777 "$H/shared"
printf '# the victim own\n' > "$H/victim/.bashrc" && chown 4001:4001 "$H/victim/.bashrc"
as() { uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --clear-groups env -i PATH=/usr/bin:/bin "$@"; }
as_victim() { as 4001 "$@"; }
as_attacker() { as 4002 "$@"; }
bashrc() { cat "$H/victim/.bashrc"; }
)sh";

TEST(HomeNamespace, TwoUsersNoSharedHomeNoPlantedLinkFollowedNoForeignFolderUsed) {
  std::string why;
  if (!CanUseMountNamespaces(why)) GTEST_SKIP() << why;
  const std::string script = std::string(kUsers) + R"sh(
# HOME unset: the password database's home, nothing in the shared folder.
as_victim "$H/bin/cli" ports >/dev/null 2>&1; echo unset_rc=$?
echo unset_store_owner=$(stat -c %u "$H/victim/.config/brevantix-configurator/registry.sqlite3" 2>/dev/null)
echo unset_store_mode=$(stat -c %a "$H/victim/.config/brevantix-configurator")
echo unset_shared=$(ls -A "$H/shared" | wc -l)
as 4005 "$H/bin/cli" ports 2>&1 >/dev/null | head -1 | sed 's/^/nouser_err=/'
as 4003 "$H/bin/cli" ports >/dev/null 2>&1; echo homeless_rc=$?
echo homeless_shared=$(find "$H/shared" /tmp -maxdepth 3 -uid 4003 2>/dev/null | wc -l)

# The attacker plants links at the temporary names the program used and owns the settings
# folder in the shared folder; the victim starts with HOME there.
as_attacker sh -c "
  mkdir -p $H/shared/.local/share/applications $H/shared/.local/share/mime/packages
  ln -s $H/victim/.bashrc $H/shared/.local/share/applications/brevantix-configurator.desktop.tmp
  ln -s $H/victim/.bashrc $H/shared/.local/share/mime/packages/brevantix-firmware.xml.tmp
  mkdir -p -m 0777 $H/shared/.config/brevantix-configurator
  ln -s $H/victim/.bashrc $H/shared/.config/brevantix-configurator/registry.sqlite3-wal
  mkdir -p $H/shared/.passthru
  echo '{\"NAME\": \"Evil\", \"FUNCTION_LIB\": \"$H/shared/evil.so\"}' > $H/shared/.passthru/evil.json
"
as_victim env HOME="$H/shared" "$H/bin/cli" ports 2>&1 >/dev/null | head -1 | sed 's/^/shared_err=/'
# Settings and data in the victim's own folders, HOME still the shared one: the manifest
# folder the attacker owns is not read.
as_victim env HOME="$H/shared" XDG_CONFIG_HOME="$H/victim/.config" XDG_DATA_HOME="$H/victim/.local/share" \
  "$H/bin/cli" passthru list > "$H/out" 2> "$H/err"; echo manifest_rc=$?
echo manifest_listed=$(grep -c Evil "$H/out")
echo manifest_err=$(grep -c "passthru: not read: the folder $H/shared/.passthru is owned by another user" "$H/err")
# A link to the victim's folder, planted by the attacker as the settings folder.
rm -rf "$H/shared/.config" 2>/dev/null; as_attacker sh -c "mkdir -p $H/shared/x && ln -s $H/victim/.config $H/shared/x/c"
as_victim env HOME="$H/shared" XDG_CONFIG_HOME="$H/shared/x/c" "$H/bin/cli" ports 2>&1 >/dev/null | head -1 |
  sed 's/^/link_err=/'
echo bashrc=$(bashrc)
echo victim_files_elsewhere=$(find "$H" -path "$H/victim" -prune -o -uid 4001 -print | wc -l)
)sh";
  const RunResult r = InNamespace(script);
  ASSERT_EQ(r.out.find("setup=failed"), std::string::npos) << r.err;
  auto has = [&r](const std::string& line) { return r.out.find(line + "\n") != std::string::npos; };
  auto contains = [&r](const std::string& text) { return r.out.find(text) != std::string::npos; };
  EXPECT_TRUE(has("unset_rc=0")) << r.out << r.err;
  EXPECT_TRUE(has("unset_store_owner=4001")) << r.out;
  EXPECT_TRUE(has("unset_store_mode=700")) << r.out;
  EXPECT_TRUE(has("unset_shared=0")) << r.out;
  EXPECT_TRUE(contains("nouser_err=brevantix-cli: There is no home folder for the settings: HOME is not set")) << r.out;
  EXPECT_TRUE(has("homeless_rc=1")) << r.out;
  EXPECT_TRUE(has("homeless_shared=0")) << r.out;
  EXPECT_TRUE(contains("shared_err=brevantix-cli: The settings folder ")) << r.out;
  EXPECT_TRUE(contains("/shared/.config/brevantix-configurator is not used: the folder ")) << r.out;
  EXPECT_TRUE(contains("is writable by other users (mode 0777)") || contains("is owned by another user (uid 4002)"))
      << r.out;
  EXPECT_TRUE(has("manifest_rc=0")) << r.out << r.err;
  EXPECT_TRUE(has("manifest_listed=0")) << r.out;
  EXPECT_TRUE(has("manifest_err=1")) << r.out;
  EXPECT_TRUE(contains("link_err=brevantix-cli: The settings folder ")) << r.out;
  EXPECT_TRUE(contains("the link ")) << r.out;
  EXPECT_TRUE(has("bashrc=# the victim own")) << r.out;
  // The victim's runs made files in the victim's own folder and nowhere else.
  EXPECT_TRUE(has("victim_files_elsewhere=0")) << r.out;
}

TEST(HomeNamespace, ReadOnlyAndFullHomesStillReadAndSayWhyNothingIsSaved) {
  std::string why;
  if (!CanUseMountNamespaces(why)) GTEST_SKIP() << why;
  const std::string script = R"sh(
set -u
H=$(mktemp -d)
mount -t tmpfs -o size=1m tmpfs "$H" || { echo setup=failed; exit 0; }
run() { name=$1; shift; env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$H" "$@" > "$H.out" 2> "$H.err"
  echo "${name}_rc=$?"; sed "s/^/${name}_out=/" "$H.out"; sed "s/^/${name}_err=/" "$H.err"; }
mount -o remount,ro "$H"
run first_ro "$1" ports
mount -o remount,rw "$H"
run add "$1" net add 127.0.0.1 23 Shed
mount -o remount,ro "$H"
run ro_list "$1" net list
run ro_add "$1" net add 127.0.0.2 23 Barn
run ro_registry "$1" registry
mount -o remount,rw "$H"
dd if=/dev/zero of="$H/fill" bs=4k 2>/dev/null
run full_list "$1" net list
run full_add "$1" net add 127.0.0.2 23 Barn
rm -f "$H/fill"
run freed_list "$1" net list
)sh";
  const RunResult r = InNamespace(script);
  ASSERT_EQ(r.out.find("setup=failed"), std::string::npos) << r.err;
  auto has = [&r](const std::string& line) { return r.out.find(line + "\n") != std::string::npos; };
  auto contains = [&r](const std::string& text) { return r.out.find(text) != std::string::npos; };
  EXPECT_TRUE(has("first_ro_rc=0")) << r.out;
  EXPECT_TRUE(contains("first_ro_err=brevantix-cli: warning: the settings are not saved: the settings store "))
      << r.out;
  EXPECT_TRUE(contains("Read-only file system")) << r.out;
  EXPECT_TRUE(has("add_rc=0")) << r.out;
  EXPECT_TRUE(has("ro_list_rc=0")) << r.out;
  EXPECT_TRUE(has("ro_list_out=Stored\t127.0.0.1\t23\tShed\t")) << r.out;
  EXPECT_TRUE(contains("ro_list_err=brevantix-cli: warning: the settings are not saved: the settings store ")) << r.out;
  EXPECT_TRUE(has("ro_add_rc=1")) << r.out;
  EXPECT_TRUE(contains("ro_add_err=brevantix-cli: the settings store ")) << r.out;
  EXPECT_TRUE(contains("cannot be written: Read-only file system")) << r.out;
  EXPECT_TRUE(has("ro_registry_rc=0")) << r.out;
  EXPECT_TRUE(has("full_list_rc=0")) << r.out;
  EXPECT_TRUE(has("full_list_out=Stored\t127.0.0.1\t23\tShed\t")) << r.out;
  EXPECT_TRUE(has("full_add_rc=1")) << r.out;
  EXPECT_TRUE(contains("cannot be written: No space left on device")) << r.out;
  EXPECT_TRUE(has("freed_list_out=Stored\t127.0.0.1\t23\tShed\t")) << r.out;
  EXPECT_FALSE(contains("freed_list_err=")) << r.out;
}

}  // namespace
}  // namespace bx
