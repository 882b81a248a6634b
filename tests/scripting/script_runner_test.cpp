// The template runner: a table of templates, each expanded by the runner and by the stock Lua 5.3
// interpreter (reference_expand.lua), so print formatting, number conversion and Lua's messages
// are the real Lua's; plus what the table cannot show: a state per expansion, the error text
// kept, a runaway script stopped, one that takes too much memory (in Lua, in its output or in a
// form's description) stopped, one whose live data fits run to its end however much garbage it
// makes, and the output hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "scripting/lua_output.h"
#include "scripting/script_runner.h"
#include "tests/support/peer_env.h"
#include "tests/support/temp_folder.h"

namespace {

struct expansion {
  int status = 0;
  std::string text;  // the result, or the error
  bool operator==(const expansion&) const = default;
};

std::ostream& operator<<(std::ostream& out, const expansion& e) {
  return out << (e.status == 0 ? "OK:" : "ERROR:") << e.text;
}

expansion ours(const std::string& text) {
  script_runner& runner = script_runner::instance();
  std::string result = "untouched";
  const int status = runner.expand_template(nullptr, text, result);
  if (status != 0) {
    EXPECT_EQ(result, "untouched") << "a failed expansion changed the result";
  }
  return {status, status == 0 ? result : runner.error};
}

bool have_reference() { return std::system("command -v lua5.3 >/dev/null 2>&1") == 0; }

// The stock interpreter's expansion of the same template.
expansion reference(const std::string& text) {
  test_support::temp_folder folder;
  std::ofstream(folder.file("template"), std::ios::binary) << text;
  const std::string command = "lua5.3 " REFERENCE_EXPAND " " + folder.file("template");
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n = 0;
  while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  if (pipe) ::pclose(pipe);
  if (out.rfind("OK:", 0) == 0) return {0, out.substr(3)};
  if (out.rfind("ERROR:", 0) == 0) return {-1, out.substr(6)};
  ADD_FAILURE() << "reference interpreter said: " << out;
  return {-2, out};
}

struct template_case {
  const char* name;
  std::string text;
  // What the expansion must give besides agreeing with the reference; status 1 = not stated.
  expansion expected{1, {}};
};

class Templates : public ::testing::TestWithParam<template_case> {};

TEST_P(Templates, ExpandAsStockLuaDoes) {
  const template_case& c = GetParam();
  const expansion got = ours(c.text);
  if (c.expected.status != 1) {
    EXPECT_EQ(got, c.expected);
  }
  REQUIRE_PEER(have_reference(), "lua5.3 interpreter");
  EXPECT_EQ(got, reference(c.text));
}

const expansion ok(std::string text) { return {0, std::move(text)}; }
const expansion failed(std::string text) { return {-1, std::move(text)}; }

INSTANTIATE_TEST_SUITE_P(
    Runner, Templates,
    ::testing::Values(
        template_case{"LiteralOnly", "ls -l /tmp\r\n", ok("ls -l /tmp\r\n")},
        template_case{"BlockBetweenLiterals", "a<% nprint(1+1) %>b", ok("a2b")},
        template_case{"PrintSeparatesWithTabsAndEndsTheLine", "<% print('a', 'b') %>", ok("a\tb\n")},
        template_case{"PrintWithoutArguments", "[<% print() %>]", ok("[\n]")},
        template_case{"NprintWithoutArguments", "[<% nprint() %>]", ok("[]")},
        template_case{"BlocksShareTheirState", "<% y = 5 %>-<% nprint(y) %>", ok("-5")},
        template_case{"UnclosedStartStaysLiteral", "x<% nprint(1) %>y<% nprint(2)", ok("x1y<% nprint(2)")},
        template_case{"StartMarkDoesNotCloseItself", "a<%>b", ok("a<%>b")},
        template_case{"StartMarkFollowedByGreaterThanRunsToTheNextEnd", "<%> nprint(1) %>"},
        template_case{"EmptyBlock", "a<%%>b", ok("ab")},
        template_case{"EndMarkInsideAStringCutsTheChunk", "<% nprint('%>') %>"},
        template_case{"ErrorInSecondBlockDiscardsTheFirst", "<% print('x') %><% error('boom') %>",
                      failed("[string \" error('boom') \"]:1: boom")},
        template_case{"SyntaxErrorNamesTheLine", "<% x = = 1 %>"},
        template_case{"MultiLineChunkIsCitedByItsFirstLine", "<%\nlocal a = 1\nerror('on line three')\n%>"},
        template_case{"TableErrorValue", "<% error({}) %>", failed("(error object is a table value)")},
        template_case{"NilErrorValue", "<% error() %>", failed("(error object is a nil value)")},
        template_case{"BooleanErrorValue", "<% error(false) %>", failed("(error object is a boolean value)")},
        template_case{"IntegerErrorValue", "<% error(42) %>", failed("42")},
        template_case{"FloatErrorValue", "<% error(1.5) %>", failed("1.5")},
        template_case{"NumbersPrintAsLuaPrintsThem",
                      "<% print(1/3, 10/2, 7//2, 2^53, -0.0, 1e300*1e10, math.pi, math.mininteger) %>"},
        template_case{"NprintJoinsWithoutSeparator", "<% nprint(nil, true, 12, 'x') %>", ok("niltrue12x")},
        template_case{"LibrariesOpenedIoLeftOut",
                      "<% print(type(string), type(table), type(os), type(math), type(utf8), type(debug),"
                      " type(coroutine), type(package), type(require), io, package.loaded.io) %>",
                      ok("table\ttable\ttable\ttable\ttable\ttable\ttable\ttable\tfunction\tnil\tnil\n")},
        template_case{"TostringThatReturnsNoString", "<% tostring = function() return {} end print(1) %>",
                      failed("[string \" tostring = function() return {} end print(1)...\"]:1: "
                             "'tostring' must return a string to 'print'")},
        template_case{"LoopSample", "<%\r\nfor i=0,20,2 do\r\n  print(\"hello world \", i)\r\nend\r\n%>\r\n"},
        template_case{"Utf8Text", "<% nprint(utf8.char(228, 8364), ' ', #'\xC3\xA4') %>", ok("\xC3\xA4\xE2\x82\xAC 2")},
        template_case{"ChunkReturningValuesPrintsNothing", "a<% return 1, 2 %>b", ok("ab")}),
    [](const ::testing::TestParamInfo<template_case>& info) { return std::string(info.param.name); });

TEST(ScriptRunner, GlobalsDoNotSurviveAnExpansion) {
  const std::string text = "<% nprint(g) g = 1 %>";
  EXPECT_EQ(ours(text), ok("nil"));
  EXPECT_EQ(ours(text), ok("nil"));
}

TEST(ScriptRunner, ErrorTextIsKeptAcrossLaterSuccessAndOutputKeepsTheLastChunk) {
  EXPECT_EQ(ours("<% error('first', 0) %>").status, -1);
  EXPECT_EQ(ours("<% nprint('a') %><% nprint('b') %>"), ok("ab"));
  EXPECT_EQ(script_runner::instance().error, "first");
  EXPECT_EQ(script_runner::instance().output, "b");
}

TEST(ScriptRunner, ChunkEndsAtItsFirstZeroByte) {
  const char text[] = "<% nprint(1)\0 error('hidden') %>!";
  EXPECT_EQ(ours(std::string(text, sizeof text - 1)), ok("1!"));
}

TEST(ScriptRunner, PrintWritesThroughTheOutputHookOnceTheRunnerExists) {
  script_runner::instance();
  EXPECT_EQ(lua_output_hook, &script_runner::capture_output);
  script_runner::instance().output.clear();
  EXPECT_EQ(lua_output_hook("abc", 3), 3u);
  EXPECT_EQ(script_runner::instance().output, "abc");
}

// A script that never ends is stopped once it has used up its instructions, also when it
// catches the stop with pcall, runs in coroutines or tries to clear the count hook; the runner
// is usable again afterwards.
class Runaway : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { script_runner::instance().instruction_limit = 20'000'000; }
  void TearDown() override {
    script_runner::instance().instruction_limit = script_runner::default_instruction_limit;
  }
};

TEST_P(Runaway, IsStoppedWithAnError) {
  const expansion got = ours(std::string("before <% ") + GetParam() + " %> after");
  EXPECT_EQ(got.status, -1);
  EXPECT_NE(got.text.find("script stopped: it ran more than 20000000 instructions"), std::string::npos) << got.text;
  EXPECT_EQ(ours("<% nprint('again') %>"), ok("again"));
}

INSTANTIATE_TEST_SUITE_P(
    ScriptRunner, Runaway,
    ::testing::Values("while true do end",
                      "while true do pcall(function() while true do end end) end",
                      "local co = coroutine.wrap(function() while true do end end) while true do pcall(co) end",
                      "repeat local ok = pcall(string.gsub, ('x'):rep(100), '.', function() while true do end end)"
                      " until false",
                      "local co = coroutine.wrap(function() while true do end end) pcall(co) nprint('after')",
                      "local co = coroutine.create(function() while true do end end) coroutine.resume(co)"
                      " nprint('after')",
                      "pcall(debug.sethook) while true do end",
                      "pcall(debug.sethook, function() end, '', 1000) while true do end",
                      "local co = coroutine.create(function() while true do end end) pcall(debug.sethook, co)"
                      " coroutine.resume(co) nprint('after')"));

// A line of /proc/self/status, in bytes.
size_t status_bytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stoull(line.substr(std::strlen(field))) * 1024;
  ADD_FAILURE() << "no " << field << " in /proc/self/status";
  return 0;
}

// Starts a new measure of the process's peak resident size (which otherwise is the peak of its
// whole life, an earlier case's included); returns the resident size it starts from.
size_t restart_peak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return status_bytes("VmRSS:");
}

size_t peak_resident_bytes() { return status_bytes("VmHWM:"); }

// Beyond what the script holds: the C library's bookkeeping, and with AddressSanitizer its
// quarantine of freed blocks (256 MiB), red zones and shadow memory.
#ifdef __SANITIZE_ADDRESS__
constexpr size_t memory_slack = size_t{640} << 20;
#else
constexpr size_t memory_slack = size_t{128} << 20;
#endif

const char* const memory_stop = "script stopped: it needed more than 256 MiB of memory";

// A script that keeps taking memory is stopped at the cap, also when it catches the failed
// allocation and goes on or ends, asks for more than the cap at once, or makes its memory
// outside Lua (its output, a form's description): the process grows by little more than the
// cap, and the runner is usable again afterwards.
class MemoryHog : public ::testing::TestWithParam<const char*> {};

TEST_P(MemoryHog, IsStoppedAtTheCap) {
  const size_t before = restart_peak();
  const expansion got = ours(std::string("before <% ") + GetParam() + " %> after");
  EXPECT_EQ(got, failed(memory_stop));
  EXPECT_LT(peak_resident_bytes() - before, script_runner::memory_limit + memory_slack);
  EXPECT_EQ(ours("<% nprint('again') %>"), ok("again"));
}

INSTANTIATE_TEST_SUITE_P(
    ScriptRunner, MemoryHog,
    ::testing::Values("local t = {} while true do t[#t + 1] = ('x'):rep(1000) end",
                      "local t = {} pcall(function() while true do t[#t + 1] = ('x'):rep(1000) end end)"
                      " t = nil nprint('caught')",
                      "local t = {} while true do pcall(function() t[#t + 1] = ('x'):rep(1000) end) end",
                      "local s = ('x'):rep(300 * 1024 * 1024) nprint(#s)",
                      "local t = {} for i = 1, 300 do t[i] = ('k'):rep(2^20) .. i end",
                      "local s = ('x'):rep(100 * 2^20) for i = 1, 100 do nprint(s) end",
                      "local s = ('x'):rep(100 * 2^20) for i = 1, 100 do print(s) end",
                      "local s = ('x'):rep(100 * 2^20) nprint(s, s, s, s, s, s, s, s, s, s)",
                      "local s = ('x'):rep(2^20) for i = 1, 1000 do pcall(nprint, s) end",
                      "local big = setmetatable({}, {__tostring = function() return ('x'):rep(10 * 2^20) end})"
                      " for i = 1, 100 do nprint(big) end",
                      "local s, o = ('x'):rep(100 * 2^20), {} for i = 1, 100 do o[i] = s end"
                      " dialog{items = {{id = 'a', type = 'droplist', options = o}}}",
                      "local s, items = ('x'):rep(100 * 2^20), {} for i = 1, 100 do"
                      " items[i] = {id = 'a' .. i, type = 'edit', label = s, default = s} end dialog{title = s, items = items}",
                      "local o = {} for i = 1, 2^22 do o[i] = 'x' end"
                      " dialog{items = {{id = 'a', type = 'droplist', options = o}, {id = 'b', type = 'droplist', options = o}}}"));

// A script whose live data fits is not stopped by its garbage: the garbage is collected before a
// request is refused for good, also one of a library buffer that Lua itself does not retry.
class FitsWithGarbage : public ::testing::TestWithParam<const char*> {};

TEST_P(FitsWithGarbage, Runs) {
  const size_t before = restart_peak();
  const expansion got = ours(std::string("<% ") + GetParam() + " %>");
  EXPECT_EQ(got.status, 0) << got.text;
  EXPECT_TRUE(got.text.ends_with("done")) << got.text.substr(0, 200);
  EXPECT_LT(peak_resident_bytes() - before, script_runner::memory_limit + memory_slack);
}

INSTANTIATE_TEST_SUITE_P(
    ScriptRunner, FitsWithGarbage,
    ::testing::Values("local keep = {} for i = 1, 100 do keep[i] = ('k'):rep(2^20) .. i end"
                      " for i = 1, 400 do local g = ('g'):rep(2^20) .. i end nprint('done')",
                      "local keep = {} for i = 1, 200 do keep[i] = ('k'):rep(2^20) .. i end"
                      " for i = 1, 400 do local g = ('g'):rep(2^20) .. i end nprint('done')",
                      "local keep = ('k'):rep(100 * 2^20) for i = 1, 20 do local g = ('g'):rep(40 * 2^20) end"
                      " nprint('done')",
                      "local s = ('o'):rep(2^20) for i = 1, 50 do nprint(s) end"
                      " for i = 1, 400 do local g = ('g'):rep(2^20) .. i end print() nprint('done')"));

TEST(ScriptRunner, ScriptsCannotReplaceTheCountHookButKeepTheRestOfDebug) {
  const expansion got = ours("<% debug.sethook() while true do end %>");
  EXPECT_EQ(got, failed("[string \" debug.sethook() while true do end \"]:1: "
                        "debug.sethook is not available: the hook limits the script's instructions"));
  EXPECT_EQ(ours("<% nprint(type(debug.traceback), type(debug.getinfo), debug.getinfo(1, 'l').currentline) %>"),
            ok("functionfunction1"));
}

TEST(ScriptRunner, GenerousBoundLetsLongScriptsFinish) {
  // A million loop turns with a print each is far below the bound.
  const expansion got = ours("<% for i = 1, 1000000 do nprint('') end nprint('done') %>");
  EXPECT_EQ(got, ok("done"));
}

}  // namespace
