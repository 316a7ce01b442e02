#include "desktop/program_launcher.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/file_bytes.h"
#include "support/run_until.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

using Kind = LaunchPlan::Kind;

TEST(PlanLaunchTest, TheOtherPlatformsCommandLinesMapToThisDesktopsPrograms) {
  struct Case {
    const char* line;
    Kind kind;
    const char* argument;
  };
  const Case cases[] = {
      {"explorer mailto:", Kind::OpenUri, "mailto:"},
      {"explorer mailto:someone@example.org", Kind::OpenUri, "mailto:someone@example.org"},
      {"EXPLORER.EXE  MailTo:x@y.z ", Kind::OpenUri, "MailTo:x@y.z"},
      {"C:\\Program Files\\Outlook Express\\MSIMN.EXE", Kind::DefaultMail, ""},
      {"\"C:\\Program Files\\Outlook Express\\msimn.exe\"", Kind::DefaultMail, ""},
      {"C:\\Program Files\\Outlook Express\\wab.exe", Kind::DefaultContacts, ""},
      {"rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl", Kind::InternetOptions, ""},
      {"RUNDLL32 shell32.dll,Control_RunDLL inetcpl.cpl,,4", Kind::InternetOptions, ""},
      // Anything else runs as it stands.
      {"explorer C:\\Windows", Kind::CommandLine, "explorer C:\\Windows"},
      {"rundll32.exe user32.dll,LockWorkStation", Kind::CommandLine,
       "rundll32.exe user32.dll,LockWorkStation"},
      {"  gedit notes.txt ", Kind::CommandLine, "gedit notes.txt"},
      {"wab.exe.bak", Kind::CommandLine, "wab.exe.bak"},
  };
  for (const Case& c : cases) {
    const LaunchPlan plan = plan_launch(c.line);
    EXPECT_EQ(plan.kind, c.kind) << c.line;
    EXPECT_EQ(plan.argument, c.argument) << c.line;
  }
}

void write_file(const std::string& path, const std::string& text, int mode = 0644) {
  test::write_bytes(path, text);
  g_chmod(path.c_str(), mode);
}

// A program that writes its arguments, one per line, into `marker`.
void write_recorder(const std::string& path, const std::string& marker) {
  gchar* quoted = g_shell_quote(marker.c_str());
  write_file(path,
             std::string("#!/bin/sh\nprintf '%s\\n' \"$@\" > ") + quoted + ".tmp && mv " + quoted +
                 ".tmp " + quoted + "\n",
             0755);
  g_free(quoted);
}

bool appears(const std::string& path) {
  return test::run_until([&] { return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) != FALSE; });
}

// The desktop's default mail and contacts programs are our recorders, declared in the
// private data and config folders the tests run with, before anything looks them up.
class DesktopProgramLauncherTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new test::TempDir;
    const std::string applications = std::string(g_get_user_data_dir()) + "/applications";
    g_mkdir_with_parents(applications.c_str(), 0700);
    g_mkdir_with_parents(g_get_user_config_dir(), 0700);
    for (const auto& [name, types] : {std::pair{"kv-test-mail", "x-scheme-handler/mailto;"},
                                      std::pair{"kv-test-contacts", "text/vcard;text/x-vcard;"}}) {
      const std::string program = folder->file(std::string(name) + ".sh");
      write_recorder(program, folder->file(std::string(name) + ".ran"));
      write_file(applications + "/" + name + ".desktop",
                 std::string("[Desktop Entry]\nType=Application\nName=") + name +
                     "\nExec=" + program + " %u\nMimeType=" + types + "\n");
    }
    write_file(std::string(g_get_user_config_dir()) + "/mimeapps.list",
               "[Default Applications]\nx-scheme-handler/mailto=kv-test-mail.desktop\n"
               "text/vcard=kv-test-contacts.desktop\ntext/x-vcard=kv-test-contacts.desktop\n");
  }
  static void TearDownTestSuite() {
    delete folder;
    folder = nullptr;
  }

  void SetUp() override {
    for (const char* ran : {"kv-test-mail.ran", "kv-test-contacts.ran"}) {
      g_remove(folder->file(ran).c_str());
    }
  }

  static test::TempDir* folder;
  test::TempDir program_folder;
};
test::TempDir* DesktopProgramLauncherTest::folder = nullptr;

TEST_F(DesktopProgramLauncherTest, MailtoAddressesGoToTheDefaultMailProgram) {
  DesktopProgramLauncher launcher(program_folder.path());
  EXPECT_TRUE(launcher.Shell("explorer mailto:pellimar@palvenna.example", 2));
  ASSERT_TRUE(appears(folder->file("kv-test-mail.ran")));
  EXPECT_EQ(test::read_file(folder->file("kv-test-mail.ran")),
            "mailto:pellimar@palvenna.example\n");

  g_remove(folder->file("kv-test-mail.ran").c_str());
  EXPECT_TRUE(launcher.Shell("explorer mailto:", 2));
  ASSERT_TRUE(appears(folder->file("kv-test-mail.ran")));
  EXPECT_EQ(test::read_file(folder->file("kv-test-mail.ran")), "mailto:\n");
}

TEST_F(DesktopProgramLauncherTest, TheMailReaderAndAddressBookAreTheDefaultPrograms) {
  DesktopProgramLauncher launcher(program_folder.path());
  EXPECT_TRUE(launcher.Shell("C:\\Program Files\\Outlook Express\\MSIMN.EXE", 1));
  ASSERT_TRUE(appears(folder->file("kv-test-mail.ran")));
  EXPECT_EQ(test::read_file(folder->file("kv-test-mail.ran")), "\n") << "started with no address";

  EXPECT_TRUE(launcher.Shell("C:\\Program Files\\Outlook Express\\wab.exe", 1));
  EXPECT_TRUE(appears(folder->file("kv-test-contacts.ran")));
}

class PathOverride {
 public:
  explicit PathOverride(const std::string& path) : old_(g_getenv("PATH")) {
    g_setenv("PATH", path.c_str(), TRUE);
  }
  PathOverride(const PathOverride&) = delete;
  PathOverride& operator=(const PathOverride&) = delete;
  ~PathOverride() { g_setenv("PATH", old_.c_str(), TRUE); }

 private:
  std::string old_;
};

TEST_F(DesktopProgramLauncherTest, InternetOptionsIsOurProgramBesideTheBrowserOrOnThePath) {
  constexpr const char* kLine = "rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl";
  // A folder name that a command line would have to quote.
  const std::string beside = program_folder.file("my 100% programs");
  g_mkdir(beside.c_str(), 0755);
  write_recorder(beside + "/kestrivane-internet-options", program_folder.file("beside.ran"));
  test::TempDir on_path;
  write_recorder(on_path.file("kestrivane-internet-options"), program_folder.file("path.ran"));
  PathOverride path(on_path.path() + ":/usr/bin:/bin");

  DesktopProgramLauncher from_folder(beside);
  EXPECT_EQ(from_folder.internet_options_program(), beside + "/kestrivane-internet-options");
  EXPECT_TRUE(from_folder.Shell(kLine, 1));
  EXPECT_TRUE(appears(program_folder.file("beside.ran")));

  DesktopProgramLauncher from_path(program_folder.file("nothing here"));
  EXPECT_TRUE(from_path.Shell(kLine, 1));
  EXPECT_TRUE(appears(program_folder.file("path.ran")));
}

TEST_F(DesktopProgramLauncherTest, OtherCommandLinesRunAsTheyStand) {
  DesktopProgramLauncher launcher(program_folder.path());
  const std::string marker = program_folder.file("ran");
  gchar* quoted = g_shell_quote(marker.c_str());
  EXPECT_TRUE(launcher.Shell(std::string("sh -c 'echo ran > \"$0\"' ") + quoted, 1));
  g_free(quoted);
  // The shell makes the file before it writes to it.
  EXPECT_TRUE(test::run_until([&] { return test::read_file(marker) == "ran\n"; }))
      << test::read_file(marker);
}

TEST_F(DesktopProgramLauncherTest, AProgramThatCannotBeStartedIsAFalseAndNothingElse) {
  const std::string empty = program_folder.file("empty");
  g_mkdir(empty.c_str(), 0755);
  PathOverride path(empty);
  DesktopProgramLauncher launcher(empty);
  EXPECT_EQ(launcher.internet_options_program(), "");
  EXPECT_FALSE(launcher.Shell("rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl", 1));
  EXPECT_FALSE(launcher.Shell("kv-no-such-program --help", 1));
  EXPECT_FALSE(launcher.Shell("sh -c 'unbalanced", 1));
  EXPECT_FALSE(launcher.Shell("", 1));
  EXPECT_FALSE(launcher.Shell("   ", 1));
  EXPECT_FALSE(launcher.Shell("explorer C:\\Windows", 1)) << "no explorer here";
}

}  // namespace
}  // namespace kv
