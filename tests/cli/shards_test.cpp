// kirabox-batch spread over processes: shares by the path's hash, input lists,
// a killed run finished with --skip-existing, the manifest read back as JSON,
// and the README's command lines for GNU parallel, Slurm and Kubernetes.
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "cli/shards.h"
#include "core/sha256.h"
#include "tests/cli/batch_fixture.h"

extern char** environ;

namespace kira {
namespace {

namespace fs = std::filesystem;

struct TRecord {
  std::string status, sha256, output;
};

class Shards : public TBatchFixture {
 protected:
  // Inputs in[first, first + count) as small pictures, both formats.
  std::vector<std::string> MakeInputs(int first, int count, int w = 7, int h = 5, const std::string& folder = "in") {
    fs::create_directories(dir / folder);
    std::vector<std::string> paths;
    for (int i = first; i < first + count; ++i) {
      const std::string path = P(folder + "/p" + std::to_string(i) + (i % 3 ? ".jpg" : ".bmp"));
      EXPECT_TRUE(SavePicture(Noise(w + i % 4, h + i % 3, 100u + static_cast<unsigned>(i)), path));
      paths.push_back(path);
    }
    return paths;
  }
  std::string List(const std::string& name, const std::vector<std::string>& paths, char end = '\n') const {
    std::ofstream out(P(name), std::ios::binary);
    for (const std::string& p : paths) out << p << end;
    return P(name);
  }
  // The files of a folder by name. A save writes an unnamed file, so even a
  // killed one leaves no temporary file to list.
  std::map<std::string, std::string> Folder(const std::string& name) const {
    std::map<std::string, std::string> files;
    fs::create_directories(dir / name);
    for (const auto& e : fs::directory_iterator(dir / name)) {
      const std::string n = e.path().filename().string();
      files[n] = ReadAll(e.path());
    }
    return files;
  }
  std::string Out(const std::string& name) const {
    fs::create_directories(dir / name);
    return " --out-dir " + P(name) + " ";
  }
  // Every line of a manifest as Python's json module reads it; a line that
  // does not parse, or lacks a key, fails the test.
  std::vector<TRecord> Manifest(const std::string& path) const {
    const std::string script =
        "import json,sys\n"
        "for line in open(sys.argv[1],'rb'):\n"
        "  d=json.loads(line)\n"
        "  assert sorted(d)==sorted(['input','output','status','error','ms','bytes','sha256','steps','seed','orientation']),d\n"
        "  assert (d['status']=='failed')==(d['sha256'] is None)==(d['error'] is not None),d\n"
        "  sys.stdout.buffer.write((d['status']+'\\0'+(d['sha256'] or '-')+'\\0'+d['output']+'\\0')"
        ".encode('latin-1'))\n";
    { std::ofstream(P("check.py")) << script; }
    std::vector<TRecord> records;
    FILE* pipe = ::popen(("python3 " + P("check.py") + " " + path).c_str(), "r");
    std::string text;
    for (int c; pipe && (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
    EXPECT_TRUE(pipe && ::pclose(pipe) == 0) << "python3 could not read " << path;
    std::vector<std::string> fields;
    for (std::size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1)
      fields.push_back(text.substr(at, end - at));
    for (std::size_t i = 0; i + 2 < fields.size(); i += 3) records.push_back({fields[i], fields[i + 1], fields[i + 2]});
    return records;
  }
  static int Shell(const std::string& cmd) {
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  static bool Have(const std::string& program) { return Shell("command -v " + program + " >/dev/null 2>&1") == 0; }

  const std::string steps = " -- star:threshold=300,length=4 art2:kind=colornoise,level=30";
};

// The hash the README names, so that anyone can work out a path's shard.
TEST(ShardHash, IsFnv1a64OfThePathBytes) {
  const struct {
    std::string path;
    std::uint64_t hash;
  } cases[] = {{"", 0xcbf29ce484222325}, {"a", 0xaf63dc4c8601ec8c}, {"foobar", 0x85944171f73967e8}};
  for (const auto& c : cases) {
    EXPECT_EQ(PathHash(c.path), c.hash) << c.path;
    EXPECT_EQ(ShardOf(c.path, 7), c.hash % 7 + 1) << c.path;
  }
}

// Each input lands in exactly the shard its path's hash names, the shards'
// outputs together are one run's, and a longer list in another order moves
// no input that was there before.
TEST_F(Shards, EveryInputInOneShardAndTheUnionIsOneRun) {
  std::vector<std::string> inputs = MakeInputs(0, 50);
  const std::string list = List("list", inputs);
  ASSERT_EQ(Batch("--seed 4 --files-from " + list + Out("all") + steps), 0);
  const auto all = Folder("all");
  ASSERT_EQ(all.size(), 50u);
  for (std::uint32_t n : {1u, 2u, 3u, 7u}) {
    std::map<std::string, std::string> joined;
    for (std::uint32_t k = 1; k <= n; ++k) {
      const std::string out = std::to_string(n) + "_" + std::to_string(k);
      ASSERT_EQ(Batch("--seed 4 --shard " + std::to_string(k) + "/" + std::to_string(n) + " --files-from " + list +
                      Out(out) + steps),
                0);
      for (const auto& [name, bytes] : Folder(out)) {
        EXPECT_TRUE(joined.emplace(name, bytes).second) << name << " in two shards of " << n;
        EXPECT_EQ(ShardOf(P("in/" + name), n), k) << name;
      }
    }
    EXPECT_EQ(joined, all) << n << " shards";
  }
  // Twenty more, the list reversed, read NUL-separated from standard input.
  std::vector<std::string> more = MakeInputs(50, 20);
  more.insert(more.end(), inputs.rbegin(), inputs.rend());
  List("more", more, '\0');
  for (int k = 1; k <= 3; ++k) {
    const std::string out = "more_" + std::to_string(k);
    ASSERT_EQ(Batch("--seed 4 --shard " + std::to_string(k) + "/3 --null --files-from -" + Out(out) + steps + " <" +
                    P("more")),
              0);
    const auto before = Folder("3_" + std::to_string(k));
    const auto after = Folder(out);
    for (const auto& [name, bytes] : all) EXPECT_EQ(before.count(name), after.count(name)) << name;
  }
}

// SIGKILL halfway, then the same run with --skip-existing: the folder ends as
// an uninterrupted run's, the files of the first run are passed over (and so
// listed), and an output older than its input is made again.
TEST_F(Shards, KilledRunFinishesWithSkipExisting) {
  const std::vector<std::string> inputs = MakeInputs(0, 16, 300, 200);
  const std::string list = List("list", inputs);
  const std::string heavy = " -- star:threshold=300 softness:kind=blur,level=6 star";
  ASSERT_EQ(Batch("--jobs 1 --files-from " + list + Out("whole") + heavy), 0);

  std::vector<std::string> argv = {KIRA_BATCH_BIN, "--jobs", "1", "--files-from", list, "--out-dir", P("out"),
                                   "--manifest", P("first.jsonl"), "--", "star:threshold=300",
                                   "softness:kind=blur,level=6", "star"};
  fs::create_directories(dir / "out");
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, cargv[0], nullptr, nullptr, cargv.data(), environ), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Folder("out").size() < 8 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  const auto firstRun = Folder("out");
  if (firstRun.size() == inputs.size()) GTEST_SKIP() << "the run finished before the kill";
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_FALSE(firstRun.empty());

  ASSERT_EQ(Batch("--jobs 1 --skip-existing --manifest " + P("second.jsonl") + " --files-from " + list + Out("out") +
                  heavy),
            0);
  EXPECT_EQ(Folder("out"), Folder("whole"));
  const std::vector<TRecord> second = Manifest(P("second.jsonl"));
  ASSERT_EQ(second.size(), inputs.size());
  for (const TRecord& r : second) {
    const std::string name = fs::path(r.output).filename().string();
    EXPECT_EQ(r.status, firstRun.count(name) ? "skipped" : "written") << name;
    EXPECT_EQ(r.sha256, Sha256Hex(Folder("whole")[name])) << name;
  }
  EXPECT_LE(Manifest(P("first.jsonl")).size(), firstRun.size());

  const std::string stale = P("out/" + fs::path(inputs[5]).filename().string());
  fs::last_write_time(stale, fs::last_write_time(inputs[5]) - std::chrono::hours(1));
  ASSERT_EQ(Batch("--skip-existing --manifest " + P("third.jsonl") + " --files-from " + list + Out("out") + heavy), 0);
  for (const TRecord& r : Manifest(P("third.jsonl"))) EXPECT_EQ(r.status, r.output == stale ? "written" : "skipped");
}

// Three shards started at once by GNU parallel write one run's folder; every
// manifest line carries its output's SHA-256.
TEST_F(Shards, ThreeShardsSideBySideWithGnuParallel) {
  if (!Have("parallel")) GTEST_SKIP() << "GNU parallel is not installed (scripts/deps installs it)";
  const std::string list = List("list", MakeInputs(0, 30));
  ASSERT_EQ(Batch("--files-from " + list + Out("one") + steps), 0);
  ASSERT_EQ(Shell("parallel --will-cite -j3 " + std::string(KIRA_BATCH_BIN) + " --shard {}/3 --files-from " + list +
                  " --manifest " + P("m{}.jsonl") + Out("out") + steps + " ::: 1 2 3 2>/dev/null"),
            0);
  const auto out = Folder("out");
  EXPECT_EQ(out, Folder("one"));
  std::size_t lines = 0;
  for (const char* m : {"m1.jsonl", "m2.jsonl", "m3.jsonl"}) {
    for (const TRecord& r : Manifest(P(m))) {
      ++lines;
      EXPECT_EQ(r.status, "written");
      EXPECT_EQ(r.sha256, Sha256Hex(out.at(fs::path(r.output).filename().string()))) << r.output;
    }
  }
  EXPECT_EQ(lines, out.size());
}

TEST_F(Shards, BadValuesExitTwoWithOneLineAndWriteNothing) {
  const std::vector<std::string> inputs = MakeInputs(0, 2);
  const std::string list = List("list", inputs);
  { std::ofstream(P("nul_list"), std::ios::binary) << inputs[0] << '\n' << std::string("in/a\0b.jpg\n", 11); }
  { std::ofstream(P("txt_list"), std::ios::binary) << inputs[0] << "\n\n" << P("notes.txt") << '\n'; }
  const std::string out = Out("out") + " --manifest " + P("m.jsonl") + " ";
  const struct {
    std::string args, word;
  } cases[] = {
      {"--shard 0/3 --files-from " + list + out, "'0/3'"},
      {"--shard 4/3 --files-from " + list + out, "'4/3'"},
      {"--shard 1/0 --files-from " + list + out, "'1/0'"},
      {"--shard 2 --files-from " + list + out, "'2'"},
      {"--shard 1/x --files-from " + list + out, "'1/x'"},
      {"--files-from " + P("missing") + out, "missing"},
      {"--files-from " + P("in") + out, "'" + P("in") + "'"},
      {"--files-from " + P("nul_list") + out, "line 2"},
      {"--files-from " + P("txt_list") + out, "notes.txt"},
      {"--null" + out + inputs[0], "--files-from"},
      {"--files-from" + out, "--files-from"},
      {"--shard 1/2 " + inputs[0] + " " + P("x.bmp"), "--out-dir"},
      {"--manifest " + P("m.jsonl") + " " + inputs[0] + " " + P("x.bmp"), "--out-dir"},
      {Out("out") + "--manifest " + P("no/m.jsonl") + " " + inputs[0], "no/m.jsonl"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(Batch(c.args, &err), 2) << c.args;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.args << ": " << err;
    EXPECT_NE(err.find(c.word), std::string::npos) << c.args << ": " << err;
    EXPECT_TRUE(Folder("out").empty()) << c.args;
    EXPECT_FALSE(fs::exists(P("m.jsonl")) || fs::exists(P("x.bmp"))) << c.args;
  }
}

// Paths are bytes: quotes, backslashes, control characters and bytes that
// are not UTF-8 come back from the JSON as they were.
TEST_F(Shards, ManifestStringsAreEscapedJson) {
  const struct {
    std::string bytes, json;
  } cases[] = {
      {"a\"b\\c/d", R"("a\"b\\c/d")"},
      {"\n\r\t\x01\x1f", R"("\n\r\t\u0001\u001f")"},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""},  // é € 😀
      {"\xff\xc3", R"("\u00ff\u00c3")"},                                                       // cut short
      {"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80", R"("\u00c0\u00af\u00ed\u00a0\u0080\u00f4\u0090\u0080\u0080")"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.bytes), c.json) << c.json;

  fs::create_directories(dir / "in");
  const std::string odd = P("in/q\"b\\s\tn\nl\x01\xff.bmp");
  ASSERT_TRUE(SavePicture(Noise(3, 2, 1), odd));
  List("list", {odd}, '\0');
  ASSERT_EQ(Batch("--null --files-from " + P("list") + Out("out") + "--manifest " + P("m.jsonl") + " -- rotate"), 0);
  const std::vector<TRecord> records = Manifest(P("m.jsonl"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].output, P("out/q\"b\\s\tn\nl\x01\xff.bmp"));
  EXPECT_EQ(records[0].sha256, Sha256Hex(ReadAll(records[0].output)));
}

// The README's command lines for GNU parallel over ssh, a Slurm array job and
// a Kubernetes Indexed Job, run as written with the scheduler's variables
// set, the shared folder here and kirabox-batch on the PATH.
class ManyMachines : public Shards {
 protected:
  void SetUp() override {
    Shards::SetUp();
    shared = P("shared");
    MakeInputs(0, 40, 4, 3, "shared/in");  // the list takes the JPEG files only
    std::ifstream readme(std::string(KIRA_TESTDATA) + "/../../README.md");
    std::string text((std::istreambuf_iterator<char>(readme)), {});
    const std::size_t section = text.find("\n## Many machines");
    ASSERT_NE(section, std::string::npos);
    text = text.substr(section, text.find("\n## ", section + 1) - section);
    const std::regex fence("```[a-z]*\n([^`]*)```");
    for (std::sregex_iterator m(text.begin(), text.end(), fence), end; m != end; ++m) {
      blocks.push_back(std::regex_replace((*m)[1].str(), std::regex("/shared/photos"), shared));
    }
    ASSERT_EQ(blocks.size(), 4u);  // the list, parallel, Slurm, Kubernetes
    ASSERT_EQ(Run(blocks[0], ""), 0);
  }
  // Runs a script in the shared folder with `vars` set; its exit status.
  int Run(const std::string& script, const std::string& vars) {
    { std::ofstream(P("script.sh")) << script; }
    const std::string bin = fs::path(KIRA_BATCH_BIN).parent_path().string();
    return Shell("cd " + shared + " && env " + vars + " PATH=" + bin + ":\"$PATH\" bash " + P("script.sh") +
                 " >/dev/null 2>" + P("script.err"));
  }
  std::vector<std::string> Listed() const {
    const std::string list = ReadAll(shared + "/list");
    std::vector<std::string> paths;
    for (std::size_t at = 0, end; (end = list.find('\0', at)) != std::string::npos; at = end + 1)
      paths.push_back(list.substr(at, end - at));
    return paths;
  }
  // The index (from 0) of the shard of n with the most inputs, and its outputs.
  std::pair<int, std::set<std::string>> Busiest(std::uint32_t n) const {
    std::vector<std::set<std::string>> shares(n);
    for (const std::string& p : Listed()) shares[ShardOf(p, n) - 1].insert(fs::path(p).filename().string());
    const auto most = std::max_element(shares.begin(), shares.end(),
                                       [](const auto& a, const auto& b) { return a.size() < b.size(); });
    return {static_cast<int>(most - shares.begin()), *most};
  }
  std::set<std::string> Outputs() const {
    std::set<std::string> names;
    for (const auto& [name, bytes] : Folder("shared/out")) names.insert(name);
    return names;
  }
  std::string shared;
  std::vector<std::string> blocks;
};

TEST_F(ManyMachines, GnuParallelOverSsh) {
  if (!Have("parallel")) GTEST_SKIP() << "GNU parallel is not installed (scripts/deps installs it)";
  { std::ofstream(shared + "/nodes") << ":\n"; }  // the local machine only
  ASSERT_EQ(Run(blocks[1], ""), 0) << ReadAll(P("script.err"));
  const std::size_t listed = Listed().size();
  EXPECT_EQ(listed, 26u);
  EXPECT_EQ(Outputs().size(), listed);
  EXPECT_EQ(Manifest(shared + "/manifest.jsonl").size(), listed);
}

TEST_F(ManyMachines, SlurmArrayJob) {
  ASSERT_NE(blocks[2].find("SLURM_ARRAY_TASK_ID"), std::string::npos);
  const auto [index, expected] = Busiest(16);
  ASSERT_EQ(Run(blocks[2], "SLURM_ARRAY_TASK_ID=" + std::to_string(index) + " SLURM_ARRAY_TASK_COUNT=16"), 0)
      << ReadAll(P("script.err"));
  EXPECT_EQ(Outputs(), expected);
  EXPECT_EQ(Manifest(shared + "/manifests/" + std::to_string(index) + ".jsonl").size(), expected.size());
}

TEST_F(ManyMachines, KubernetesIndexedJob) {
  std::smatch line;
  ASSERT_TRUE(std::regex_search(blocks[3], line, std::regex("- (kirabox-batch [^\n]*JOB_COMPLETION_INDEX[^\n]*)")));
  const auto [index, expected] = Busiest(16);
  ASSERT_EQ(Run(line[1].str(), "JOB_COMPLETION_INDEX=" + std::to_string(index)), 0) << ReadAll(P("script.err"));
  EXPECT_EQ(Outputs(), expected);
}

}  // namespace
}  // namespace kira
