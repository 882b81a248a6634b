// The settings store: the tree and its walks, load with backup fallback, the deferred save on a
// fake clock, the exit save, failing writes, and round trips of every section.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "config/ansi_color_param.h"
#include "config/button_bar_param.h"
#include "config/color_scheme_param.h"
#include "config/configuration.h"
#include "config/host_param.h"
#include "config/terminal_appearance_param.h"
#include "config/terminal_opt_param.h"
#include "config/text_convert.h"
#include "platform/atomic_file.h"
#include "tests/config/node_text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"

namespace {

std::string utf8(std::u16string_view text) { return wcs_to_string(text); }

std::string file_text(const std::string& path) {
  std::string data;
  return platform::read_file(path, data) ? data : "<missing>";
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

unsigned file_mode(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

class StoreTest : public ::testing::Test {
 protected:
  std::string main_path() const { return folder.file("Tessary.conf"); }
  std::string backup_path() const { return main_path() + ".bak"; }
  std::unique_ptr<configuration> make_store() {
    return std::make_unique<configuration>(main_path(), clock);
  }
  void write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(platform::write_file_atomically(path, text));
  }

  test_support::temp_folder folder;
  test_support::fake_clock clock;
};

// A file written by hand: sections out of order, unknown elements, values of sections that only
// keep their elements, two colour lists with a custom plan and scheme, and nested host groups.
const char* const hand_written_file =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!-- written by hand -->\r\n"
    "<Tessary>\r\n"
    "  <HostManager>\r\n"
    "    <HostGroup Name=\"All Hosts\">\r\n"
    "      <Host Uuid=\"AAAA\" Name=\"router\" View=\"terminal\" Protocol=\"Telnet\">\r\n"
    "        <Hostname>192.168.1.1</Hostname><Port>23</Port>\r\n"
    "        <ColorScheme>Night</ColorScheme>\r\n"
    "      </Host>\r\n"
    "      <HostGroup Name=\"Lab &amp; test\">\r\n"
    "        <Host Uuid=\"BBBB\" Name=\"files\" View=\"explorer\" Protocol=\"SSH2\">\r\n"
    "          <Hostname>lab.example</Hostname><Port>2222</Port><Username>me</Username>\r\n"
    "          <Password>ng==</Password>\r\n"
    "        </Host>\r\n"
    "        <HostGroup Name=\"Serial\">\r\n"
    "          <Host Uuid=\"CCCC\" Name=\"console\" Protocol=\"Serial\">\r\n"
    "            <ComPort>4</ComPort><Baudrate>115200</Baudrate>\r\n"
    "          </Host>\r\n"
    "        </HostGroup>\r\n"
    "      </HostGroup>\r\n"
    "    </HostGroup>\r\n"
    "  </HostManager>\r\n"
    "  <Unknown><Thing/></Unknown>\r\n"
    "  <TinyServer>\r\n"
    "    <Dhcpd><Enable>true</Enable><Pools><Pool Type=\"dynamic\"><StartIP>10.0.0.10</StartIP>"
    "<IPNum>90</IPNum></Pool></Pools></Dhcpd>\r\n"
    "  </TinyServer>\r\n"
    "  <GlobalOptions>\r\n"
    "    <TerminalOptions>\r\n"
    "      <TerminalAppearance>\r\n"
    "        <ColorScheme>\r\n"
    "          <Scheme Name=\"Night\"><Foreground>#00C0C0C0</Foreground>"
    "<Background>#00000000</Background><AnsiColorMode>true</AnsiColorMode>"
    "<AnsiColorPlan>Solar</AnsiColorPlan></Scheme>\r\n"
    "        </ColorScheme>\r\n"
    "        <AnsiColor>\r\n"
    "          <Plan Name=\"Solar\">#00362B00,#002F32DC,#00009985,#000089B5,#00D28B26,"
    "#008236D3,#00989E2A,#00D5E8EE,#00423607,#00164BCB,#0075837B,#00837B65,#00969483,"
    "#00C4716C,#00A1A193,#00E3F6FD</Plan>\r\n"
    "        </AnsiColor>\r\n"
    "        <Margin>8</Margin>\r\n"
    "      </TerminalAppearance>\r\n"
    "      <SelectCopy>false</SelectCopy>\r\n"
    "    </TerminalOptions>\r\n"
    "    <CommonOptions><CloseConfirm>false</CloseConfirm>"
    "<DefaultSession><DefaultSessionType>2</DefaultSessionType></DefaultSession></CommonOptions>\r\n"
    "  </GlobalOptions>\r\n"
    "  <ButtonBar><Category name=\"net\" active=\"true\"><Button><Script>ls -l</Script><Label>ls</Label>"
    "</Button></Category></ButtonBar>\r\n"
    "</Tessary>\r\n";

// What a store holds, as one text per section, so that two stores can be compared whole.
std::string store_values(configuration& store) {
  std::string values;
  for (parameter* section : store.root->children)
    values += utf8(test_support::saved_text(*section));
  return values;
}

TEST_F(StoreTest, TreeHasItsSectionsInOrder) {
  auto store = make_store();
  std::vector<std::u16string> names;
  std::function<void(parameter&)> walk = [&](parameter& node) {
    names.push_back(node.name);
    for (parameter* child : node.children) walk(*child);
  };
  walk(*store->root);
  EXPECT_EQ(names, (std::vector<std::u16string>{
                       u"Tessary", u"GlobalOptions", u"CommonOptions", u"DefaultSession",
                       u"TerminalOptions", u"TerminalAppearance", u"AnsiColor", u"ColorScheme",
                       u"TinyServer", u"Tftpd", u"Dhcpd", u"Httpd", u"HostManager", u"ButtonBar"}));
  EXPECT_EQ(store->hosts->root->group->name, u"All Hosts");
}

TEST_F(StoreTest, FirstChangeWritesBothFilesThreeSecondsLaterOnce) {
  auto store = make_store();
  EXPECT_FALSE(store->load());
  store->schedule_save();
  clock.advance(1000);
  store->terminal_appearance->margin = 9;
  store->schedule_save();
  clock.advance(1999);
  EXPECT_FALSE(exists(main_path()));
  EXPECT_FALSE(exists(backup_path()));
  clock.advance(1);
  ASSERT_TRUE(exists(main_path()));
  EXPECT_EQ(file_text(main_path()), file_text(backup_path()));
  EXPECT_EQ(file_mode(main_path()), 0600u);
  EXPECT_EQ(file_mode(backup_path()), 0600u);
  EXPECT_NE(file_text(main_path()).find("<Margin>9</Margin>"), std::string::npos);
  EXPECT_EQ(file_text(main_path()).rfind("<Tessary>\r\n<GlobalOptions>\r\n", 0), 0u);
  EXPECT_FALSE(store->save_pending());

  ::unlink(main_path().c_str());
  clock.advance(10000);
  EXPECT_FALSE(exists(main_path()));  // the timer fired once
  store->schedule_save();
  EXPECT_TRUE(store->save_pending());
}

TEST_F(StoreTest, ExitSaveWritesOnlyWhatIsPending) {
  auto store = make_store();
  store->exit_save();
  EXPECT_FALSE(exists(main_path()));
  store->schedule_save();
  store->exit_save();
  EXPECT_TRUE(exists(main_path()));
  EXPECT_FALSE(store->save_pending());
  ::unlink(main_path().c_str());
  clock.advance(5000);
  EXPECT_FALSE(exists(main_path()));
}

TEST_F(StoreTest, HandWrittenFileLoadsAndSavesBackUnchangedInMeaning) {
  write(main_path(), hand_written_file);
  auto store = make_store();
  ASSERT_TRUE(store->load());
  EXPECT_EQ(store->terminal_appearance->margin, 8u);
  EXPECT_FALSE(store->terminal_options->select_copy);
  ASSERT_EQ(store->ansi_colors->plans.size(), 7u);
  EXPECT_EQ(store->ansi_colors->plans[6].name, u"Solar");
  ASSERT_EQ(store->color_schemes->schemes.size(), 4u);
  EXPECT_EQ(store->color_schemes->schemes[3].ansi_color_plan, u"Solar");
  auto router = store->hosts->find("AAAA");
  ASSERT_TRUE(router.has_value());
  router->appearance.resolve_colors(*store->color_schemes, *store->ansi_colors);
  EXPECT_EQ(router->appearance.foreground, 0xC0C0C0u);
  EXPECT_EQ(router->appearance.palette[1], 0x2F32DCu);
  const auto files = store->hosts->find("BBBB");
  ASSERT_TRUE(files.has_value());
  EXPECT_EQ(files->connection.ssh2.password, "a");
  EXPECT_EQ(files->view, session_view_explorer);
  const host_group& lab = *store->hosts->root->group->children[0]->group;
  EXPECT_EQ(lab.name, u"Lab & test");
  EXPECT_EQ(lab.children[0]->group->children[0]->host->connection.serial.baudrate, 115200u);
  ASSERT_EQ(store->button_bar->categories.size(), 2u);
  EXPECT_EQ(store->button_bar->active_category, 1);
  EXPECT_EQ(store->button_bar->categories[1]->buttons[0]->script, u"ls -l");

  ASSERT_TRUE(store->save());
  const std::string saved = file_text(main_path());
  for (const char* kept : {"<Enable>true</Enable>", "<StartIP>10.0.0.10</StartIP>",
                           "<CloseConfirm>false</CloseConfirm>",
                           "<DefaultSessionType>2</DefaultSessionType>",
                           "<Category name=\"net\" active=\"true\">", "<Label>ls</Label>",
                           "<Script>ls -l</Script>"})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept;

  auto reread = make_store();
  ASSERT_TRUE(reread->load());
  EXPECT_EQ(store_values(*reread), store_values(*store));
  ASSERT_TRUE(reread->save());
  EXPECT_EQ(file_text(main_path()), saved);
}

TEST_F(StoreTest, SaveThenLoadYieldsTheSameTree) {
  auto store = make_store();
  store->terminal_options->lines = 12;
  store->terminal_options->hide_on_type = false;
  store->terminal_appearance->default_console_type = u"vt100";
  store->ansi_colors->plans[0].colors[0] = 0x123456;
  store->ansi_colors->plans.push_back({u"mine", builtin_ansi_color_plans[4].colors});
  store->color_schemes->schemes.push_back({u"my scheme", 1, 2, true, u"mine"});
  session_record r;
  r.name = u"box";
  r.connection.ssh2.password = "s3cr\xC3\xABt";
  store->hosts->root->group->children.push_back(std::make_unique<host_node>(u"g"));
  store->hosts->root->group->children[0]->group->children.push_back(std::make_unique<host_node>(r));
  ASSERT_TRUE(store->save());

  auto reread = make_store();
  ASSERT_TRUE(reread->load());
  EXPECT_EQ(store_values(*reread), store_values(*store));
  EXPECT_EQ(reread->hosts->find(r.uuid)->connection.ssh2.password, "s3cr\xC3\xABt");
}

TEST_F(StoreTest, CorruptMainFileFallsBackToTheBackupAndIsMovedAside) {
  write(backup_path(), "<Tessary><GlobalOptions><TerminalOptions><TerminalAppearance>"
                       "<Margin>42</Margin></TerminalAppearance></TerminalOptions></GlobalOptions>"
                       "</Tessary>");
  const std::string damaged = "<Tessary><GlobalOptions></Tessary>";
  write(main_path(), damaged);
  auto store = make_store();
  EXPECT_TRUE(store->load());
  EXPECT_EQ(store->terminal_appearance->margin, 42u);
  EXPECT_FALSE(exists(main_path()));
  EXPECT_EQ(file_text(main_path() + ".unreadable"), damaged);
}

TEST_F(StoreTest, MainFileOfAnotherDocumentFallsBackToTheBackup) {
  write(backup_path(), "<Tessary><HostManager><HostGroup Name=\"All Hosts\"><Host Uuid=\"X\"/>"
                       "</HostGroup></HostManager></Tessary>");
  write(main_path(), "<Settings/>");
  auto store = make_store();
  EXPECT_TRUE(store->load());
  EXPECT_TRUE(store->hosts->find("X").has_value());
  EXPECT_EQ(file_text(main_path() + ".unreadable"), "<Settings/>");
}

TEST_F(StoreTest, NeitherFileReadableKeepsDefaultsAndEveryDamagedFile) {
  write(main_path(), "first damage <");
  write(backup_path(), "<Tessary>");
  auto store = make_store();
  EXPECT_FALSE(store->load());
  EXPECT_EQ(store->terminal_appearance->margin, 3u);
  EXPECT_EQ(store->ansi_colors->plans.size(), 6u);
  EXPECT_EQ(file_text(main_path() + ".unreadable"), "first damage <");

  ASSERT_TRUE(store->save());
  write(main_path(), "second damage");
  write(backup_path(), "");
  EXPECT_FALSE(make_store()->load());
  EXPECT_EQ(file_text(main_path() + ".unreadable"), "first damage <");
  EXPECT_EQ(file_text(main_path() + ".unreadable.2"), "second damage");
}

TEST_F(StoreTest, MissingFilesLoadNothingAndMoveNothing) {
  auto store = make_store();
  EXPECT_FALSE(store->load());
  EXPECT_FALSE(exists(main_path() + ".unreadable"));
}

TEST_F(StoreTest, FailingWriteLeavesThePreviousFilesIntact) {
  auto store = make_store();
  ASSERT_TRUE(store->save());
  const std::string good = file_text(main_path());
  for (int i = 0; i < 200; ++i) {
    session_record r;
    r.name = u"host " + mbs_to_wstring(std::to_string(i));
    store->hosts->root->group->children.push_back(std::make_unique<host_node>(r));
  }
  // The file size limit makes every write past it fail as a full disk does.
  rlimit old_limit{};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = good.size() + 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = store->save();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(file_text(main_path()), good);
  EXPECT_EQ(file_text(backup_path()), good);
  EXPECT_TRUE(make_store()->load());
}

TEST_F(StoreTest, SaveIntoAMissingFolderFailsAndChangesNothing) {
  configuration store(folder.file("no/such/Tessary.conf"), clock);
  EXPECT_FALSE(store.save());
  EXPECT_FALSE(exists(folder.file("no")));
}

// A settings file kept as a symbolic link (dotfiles in a repository): every save lands in the
// link's target and the link stays a link, for the main file and the backup alike.
TEST_F(StoreTest, SymlinkedFilesAreSavedThroughToTheirTargets) {
  struct link_case {
    const char* name;
    std::string link_text;   // what Tessary.conf points at
    std::string final_file;  // the file that must receive the saves
    std::string middle_link; // a second link in the chain, when not empty
  };
  ASSERT_EQ(::mkdir(folder.file("dotfiles").c_str(), 0700), 0);
  const link_case cases[] = {
      {"absolute", folder.file("dotfiles/absolute.conf"), folder.file("dotfiles/absolute.conf"), ""},
      {"relative", "dotfiles/relative.conf", folder.file("dotfiles/relative.conf"), ""},
      {"a chain of two links", "dotfiles/middle", folder.file("dotfiles/chained.conf"),
       "chained.conf"},
  };
  for (const link_case& c : cases) {
    SCOPED_TRACE(c.name);
    ::unlink(main_path().c_str());
    ::unlink(backup_path().c_str());
    ::unlink(folder.file("dotfiles/middle").c_str());
    if (!c.middle_link.empty()) {
      ASSERT_EQ(::symlink(c.middle_link.c_str(), folder.file("dotfiles/middle").c_str()), 0);
    }
    ASSERT_EQ(::symlink(c.link_text.c_str(), main_path().c_str()), 0);
    // The backup's target does not exist yet: the first save creates it through the link.
    ASSERT_EQ(::symlink("dotfiles/backup.conf", backup_path().c_str()), 0);
    ::unlink(folder.file("dotfiles/backup.conf").c_str());

    auto store = make_store();
    store->terminal_appearance->margin = 7;
    ASSERT_TRUE(store->save());
    struct stat info {};
    ASSERT_EQ(::lstat(main_path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::lstat(backup_path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_NE(file_text(c.final_file).find("<Margin>7</Margin>"), std::string::npos);
    EXPECT_EQ(file_text(folder.file("dotfiles/backup.conf")), file_text(c.final_file));
    EXPECT_EQ(file_mode(c.final_file), 0600u);
    auto reloaded = make_store();
    ASSERT_TRUE(reloaded->load());
    EXPECT_EQ(reloaded->terminal_appearance->margin, 7u);
  }
}

// A save killed mid-write leaves its temporary copy; the next load removes those of its own
// saves, and nothing else: not a live writer's file, not the user's own copies.
TEST_F(StoreTest, StaleTemporaryFilesOfASaveAreRemovedAtLoad) {
  struct file_case {
    std::string name;
    bool removed;
  };
  const file_case files[] = {
      {"Tessary.conf.saving-Ab12Cd", true},
      {"Tessary.conf.bak.saving-x9Y8z7", true},
      {"Tessary.conf.saving-HELD00", false},  // held by a writer that is still alive
      {"Tessary.conf.saving-Ab12Cd7", false},
      {"Tessary.conf.saving-Ab-2Cd", false},
      {"Tessary.conf.backup", false},
      {"Tessary.conf.Ab12Cd", false},
      {"Other.conf.saving-Ab12Cd", false},
  };
  write(main_path(), "<Tessary></Tessary>");
  for (const file_case& f : files) write(folder.file(f.name), "<Tessary><GlobalOptions>");
  const int held = ::open(folder.file("Tessary.conf.saving-HELD00").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  make_store()->load();
  ::close(held);
  for (const file_case& f : files) {
    EXPECT_EQ(exists(folder.file(f.name)), !f.removed) << f.name;
  }
  EXPECT_TRUE(exists(main_path()));
}

// A node that notes when its operations run.
class noting_param : public parameter {
 public:
  noting_param(std::u16string name, std::vector<std::u16string>& log)
      : parameter(std::move(name)), log_(log) {}
  bool save(xml_document& doc) override {
    doc.add_element(u"Value", name, 0);
    return true;
  }
  bool load(xml_document& doc) override {
    doc.reset_main_position();
    log_.push_back(u"load " + name + u" " +
                   (doc.find_element(u"Value") ? doc.get_data(doc.current_position()) : u"-"));
    return true;
  }
  bool apply() override {
    log_.push_back(u"apply " + name);
    return true;
  }

 private:
  std::vector<std::u16string>& log_;
};

TEST(ParameterWalks, SaveLoadAndApplyRunInTreeOrder) {
  std::vector<std::u16string> log;
  noting_param root(u"r", log), a(u"a", log), b(u"b", log), c(u"c", log);
  root.children = {&a, &c};
  a.children = {&b};
  EXPECT_EQ(test_support::saved_text(root),
            u"<r>\r\n<Value>r</Value>\r\n<a>\r\n<Value>a</Value>\r\n<b>\r\n<Value>b</Value>\r\n"
            u"</b>\r\n</a>\r\n<c>\r\n<Value>c</Value>\r\n</c>\r\n</r>\r\n");
  root.apply_tree();
  EXPECT_EQ(log, (std::vector<std::u16string>{u"apply r", u"apply a", u"apply b", u"apply c"}));

  log.clear();
  EXPECT_TRUE(test_support::load_from_text(
      root, u"<r><c><Value>C</Value></c><x/><a><Value>A</Value></a><a><Value>A2</Value></a></r>"));
  EXPECT_EQ(log, (std::vector<std::u16string>{u"load r -", u"load a A", u"load c C"}));
  EXPECT_FALSE(test_support::load_from_text(root, u"<q/>"));
}

TEST(ParameterWalks, CopyOfANodeSharesItsChildren) {
  parameter child(u"child");
  parameter node(u"node");
  node.children.push_back(&child);
  parameter copy = node;
  ASSERT_EQ(copy.children.size(), 1u);
  EXPECT_EQ(copy.children[0], &child);
}

}  // namespace
