#include "cli/batch.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <ostream>
#include <system_error>
#include <thread>
#include <utility>

#include "cli/shards.h"
#include "core/image_files.h"
#include "core/parallel_rows.h"
#include "core/stop_request.h"
#include "document/document.h"
#include "effects/random.h"
#include "pages/page_list.h"
#include "pages/recipe.h"

namespace kira {

namespace {

constexpr const char* kUsage =
    "usage: kirabox-batch [--seed N] [--keep-orientation] [--quality N] [--time] [--recipe FILE]\n"
    "                     INPUT OUTPUT [STEP ...]\n"
    "       kirabox-batch [--seed N] [--keep-orientation] [--jobs N] [--format EXT] [--recipe FILE]\n"
    "                     [--quality N] --out-dir DIR INPUT... -- [STEP ...]\n"
    "                     [--files-from FILE [--null]] [--shard K/N] [--skip-existing] [--manifest FILE]\n"
    "       kirabox-batch --help\n"
    "\n"
    "INPUT is a JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF or BMP picture, read by its\n"
    "content whatever its name (transparency over white). OUTPUT is written in\n"
    "the format of its extension: .jpg/.jpeg JPEG, .png PNG (lossless), .tif/.tiff\n"
    "TIFF (Deflate, lossless), .webp WebP, .bmp 24-bit BMP. --quality N (1..100,\n"
    "default 90) is the quality of JPEG and WebP; a WebP at 100 is lossless.\n"
    "An INPUT is turned upright by its orientation, as the editor shows it;\n"
    "--keep-orientation keeps the pixels as stored instead. A picture saved\n"
    "with EXIF data keeps it (orientation set to 1, no thumbnail) and its\n"
    "colour profile in JPEG, PNG and WebP; a TIFF gets the profile and the\n"
    "EXIF text tags (make, model, date, artist, copyright); a BMP none.\n"
    "Each STEP is NAME or NAME:KEY=VALUE[,KEY=VALUE...]; it opens the page, sets\n"
    "the keys given (the others keep the page's defaults), runs Preview and\n"
    "Apply. --seed N (0..4294967295) sets the random generator's state before the\n"
    "first step of each file.\n"
    "--recipe FILE runs the steps of a recipe (saved by the editor's \"レシピを保存...\")\n"
    "before the STEPs given: one step a line in the syntax above, '#' comments, a\n"
    "first line '# kirabox VERSION recipe'. A step that draws random numbers\n"
    "(art2) may carry seed=N, the generator's state before it: such a step gives\n"
    "the same bytes whatever --seed says. An unknown step, key or value in the\n"
    "recipe is a usage error naming FILE:LINE.\n"
    "--time writes, for each step, 'time STEP MS' to standard error: STEP as\n"
    "given, MS the milliseconds of its Preview and Apply with one decimal\n"
    "(loading and saving not counted); one file only.\n"
    "\n"
    "With --out-dir, each INPUT is written into DIR under its own base name with\n"
    "the extension --format gives (jpg, jpeg, png, tif, tiff, webp or bmp;\n"
    "default: the input's own); the steps follow '--'. --jobs N (1..256, default\n"
    "the number of cores) files run at once; every file starts from the same\n"
    "generator state, so the bytes do not depend on N. Two inputs with the same\n"
    "base name, or an output that would overwrite an input, are usage errors. On\n"
    "a terminal a progress line shows the files done, files per second and the\n"
    "time left; otherwise only failures are reported, one line each. Ctrl+C (or\n"
    "SIGTERM) stops the steps running within a second; no partial file is left.\n"
    "\n"
    "--files-from FILE adds the inputs FILE lists, one a line ('-': standard\n"
    "input; --null: separated by NUL bytes, as find -print0 writes them).\n"
    "--shard K/N (1 <= K <= N) takes only the inputs whose path, as given, hashes\n"
    "to K: FNV-1a 64 of the path's bytes, mod N, plus 1. N processes given the\n"
    "same inputs in any order, on any machines, cover each exactly once.\n"
    "--skip-existing passes over an input whose output is not older than it, so\n"
    "a run stopped in any way finishes when run again.\n"
    "--manifest FILE appends one JSON line per input as it ends: input, output,\n"
    "status (written, skipped, failed), error, ms, bytes and sha256 of the\n"
    "output, steps, seed and orientation (applied or kept).\n"
    "\n"
    "Exit status: 0 success, 1 a file could not be read, processed or written\n"
    "(the other files are still written), 2 usage error (nothing is done),\n"
    "130 stopped by Ctrl+C.\n"
    "\n"
    "steps:\n";

constexpr int kUsageError = 2;
constexpr int kFileError = 1;
constexpr int kStopped = 130;
constexpr int kMaxJobs = 256;

struct TPlannedStep {
  const TStepSpec* step;
  TStepValues values;
  std::string text;  // as given on the command line
};

struct TOptions {
  bool timed = false;
  TOrientation orientation = TOrientation::Apply;  // Keep with --keep-orientation
  std::uint32_t seed = 0;
  int jobs = 0;  // 0: not given
  std::string format;  // "" or an extension without its dot, as given
  TSaveOptions save;   // --quality
  bool outDirGiven = false;
  std::string outDir;
  std::vector<std::string> recipes;  // --recipe, in the order given
  std::vector<std::string> words;  // positional words before "--"
  std::vector<std::string> steps;  // words after "--"
  bool dashes = false;             // "--" was given
  TShardOptions many;              // shares, input lists, resuming, manifest
};

bool StopRequested(const TBatchEnv& env) { return env.stop != nullptr && env.stop->load(); }

// Fills o from args; "" on success, otherwise the usage error. Sets *help for
// --help.
std::string ParseOptions(const std::vector<std::string>& args, TOptions& o, bool* help) {
  std::string unknown;  // the first unknown option and where it stood
  std::size_t unknownAfter = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      o.dashes = true;
      o.steps.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    std::string shardError;
    if (TakeShardOption(args, i, o.many, shardError)) {
      if (!shardError.empty()) return shardError;
      continue;
    }
    if (a == "--help" || a == "-h") {
      *help = true;
      return {};
    }
    if (a == "--time") {
      o.timed = true;
      continue;
    }
    if (a == "--keep-orientation") {
      o.orientation = TOrientation::Keep;
      continue;
    }
    if (a == "--recipe") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return "'--recipe' needs a file";
      o.recipes.push_back(args[++i]);
      continue;
    }
    if (a == "--seed" || a == "--jobs" || a == "--format" || a == "--quality" || a == "--out-dir") {
      if (i + 1 >= args.size()) return "'" + a + "' needs a value";
      const std::string& text = args[++i];
      long long v = 0;
      if (a == "--seed") {
        if (!ParseInt(text, v) || v < 0 || v > 4294967295LL) return QuoteWord(text) + " is not a seed (0..4294967295)";
        o.seed = static_cast<std::uint32_t>(v);
      } else if (a == "--jobs") {
        if (!ParseInt(text, v) || v < 1 || v > kMaxJobs) {
          return QuoteWord(text) + " is not a number of jobs (1.." + std::to_string(kMaxJobs) + ")";
        }
        o.jobs = static_cast<int>(v);
      } else if (a == "--format") {
        if (text.find_first_of("./") != std::string::npos || FileKindOf("." + text) == TFileKind::Unknown) {
          return QuoteWord(text) + " is not a format (jpg, jpeg, png, tif, tiff, webp or bmp)";
        }
        o.format = text;
      } else if (a == "--quality") {
        if (!ParseInt(text, v) || v < kMinQuality || v > kMaxQuality) {
          return QuoteWord(text) + " is not a quality (1..100)";
        }
        o.save.quality = static_cast<int>(v);
      } else {
        if (text.empty()) return "'--out-dir' needs a folder";
        o.outDirGiven = true;
        o.outDir = text;
      }
      continue;
    }
    if (a.size() > 1 && a[0] == '-' && a[1] == '-' && unknown.empty()) {
      unknown = a;
      unknownAfter = o.words.size();
    }
    o.words.push_back(a);
  }
  // In the one-file form, words after INPUT and OUTPUT are steps whatever
  // they look like (and are refused as steps).
  if (!unknown.empty() && (o.outDirGiven || unknownAfter < 2)) return "unknown option " + QuoteWord(unknown);
  return {};
}

// Checks every step before any work, so that a usage error costs nothing and
// writes nothing.
// The steps of the recipes come first, in the order given.
bool PlanSteps(const std::vector<std::string>& recipes, const std::vector<std::string>& words,
               std::vector<TPlannedStep>& plan, std::string& error) {
  for (const std::string& recipe : recipes) {
    std::vector<TRecipeStep> steps;
    if (!ReadRecipe(recipe, steps, error)) return false;
    for (TRecipeStep& r : steps) plan.push_back({r.step, std::move(r.values), std::move(r.text)});
  }
  for (const std::string& word : words) {
    TPlannedStep p{};
    p.step = ParseStep(AllSteps(), word, p.values, error);
    p.text = word;
    if (!p.step) return false;
    plan.push_back(std::move(p));
  }
  return true;
}

enum class TFileEnd { Written, Skipped, Failed, Stopped };

struct TFileOutcome {
  TFileEnd end = TFileEnd::Failed;
  std::string message;  // for Failed: starts with the file's path, without the program's name
};

// One file from open to save, the steps on a generator of its own that
// starts at `seed`. The output is written atomically, and not at all when a
// step fails or a stop is requested.
TFileOutcome RunFile(const std::string& input, const std::string& output, const std::vector<TPlannedStep>& plan,
                     std::uint32_t seed, TOrientation orientation, const TSaveOptions& save, const TBatchEnv& env,
                     std::ostream* timing) {
  TFileOutcome r;
  // A stop request also ends a step that is running, between its rows.
  const TStopScope stopScope(env.stop);
  try {
    std::uint32_t state = seed;
    TRandomScope generator(state);
    TDocument doc;
    std::string error;
    if (doc.OpenImageFile(input, &error, orientation) != TOpenOutcome::Opened) {
      r.message = error.empty() ? input + ": cannot read" : error;
      return r;
    }
    for (const TPlannedStep& p : plan) {
      if (StopRequested(env)) return {TFileEnd::Stopped, {}};
      const auto start = std::chrono::steady_clock::now();
      if (!RunStep(doc, *p.step, p.values, error)) {
        r.message = input + ": " + p.step->name + ": " + error;
        return r;
      }
      if (timing) {
        const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", ms.count());
        *timing << "time " << p.text << " " << buf << "\n";
      }
      // Nothing is undone here: the pictures Apply keeps for undo would only
      // raise the memory each job holds.
      doc.ClearHistory();
    }
    if (StopRequested(env)) return {TFileEnd::Stopped, {}};
    const TSaveResult saved = SavePicture(doc.Source(), output, doc.Metadata(), save);
    if (!saved) {
      r.message = saved.error.empty() ? output + ": cannot write" : saved.error;
      return r;
    }
    r.end = TFileEnd::Written;
  } catch (const TStopped&) {
    return {TFileEnd::Stopped, {}};
  } catch (const std::bad_alloc&) {
    r.message = input + ": not enough memory";
  } catch (const std::exception& e) {
    r.message = input + ": " + e.what();
  }
  return r;
}

int RunOneFile(const TOptions& o, std::ostream& err, const TBatchEnv& env) {
  if (o.jobs != 0 || !o.format.empty()) {
    err << "kirabox-batch: '" << (o.jobs != 0 ? "--jobs" : "--format") << "' needs --out-dir\n";
    return kUsageError;
  }
  if (const char* option = o.many.FirstGiven()) {
    err << "kirabox-batch: '" << option << "' needs --out-dir\n";
    return kUsageError;
  }
  if (o.words.size() < 2) {
    err << "kirabox-batch: INPUT and OUTPUT are needed (see --help)\n";
    return kUsageError;
  }
  const std::string& input = o.words[0];
  const std::string& output = o.words[1];
  if (FileKindOf(output) == TFileKind::Unknown) {
    err << "kirabox-batch: unknown extension of output '" << output << "' (" << kSaveExtensions << ")\n";
    return kUsageError;
  }
  std::vector<std::string> stepWords(o.words.begin() + 2, o.words.end());
  stepWords.insert(stepWords.end(), o.steps.begin(), o.steps.end());
  std::vector<TPlannedStep> plan;
  std::string error;
  if (!PlanSteps(o.recipes, stepWords, plan, error)) {
    err << "kirabox-batch: " << error << "\n";
    return kUsageError;
  }
  const TFileOutcome r = RunFile(input, output, plan, o.seed, o.orientation, o.save, env, o.timed ? &err : nullptr);
  switch (r.end) {
    case TFileEnd::Skipped:  // only with --out-dir
    case TFileEnd::Written: return 0;
    case TFileEnd::Stopped: err << "kirabox-batch: stopped; " << output << " not written\n"; return kStopped;
    case TFileEnd::Failed: break;
  }
  err << "kirabox-batch: " << r.message << "\n";
  return kFileError;
}

// The output of one input: its base name in the folder, with the extension
// the format gives or its own.
std::string OutputPath(const std::string& dir, const std::string& input, const std::string& format) {
  const std::string name = FileNamePart(input);
  const std::string base = PathWithoutExtension(name);
  const std::string ext = format.empty() ? name.substr(base.size()) : "." + format;
  return dir + (dir.back() == '/' ? "" : "/") + base + ext;
}

// "" when the batch may start, otherwise the usage error.
std::string CheckFiles(const TOptions& o, std::vector<std::string>& outputs) {
  if (o.timed) return "'--time' works with one INPUT and OUTPUT, not with --out-dir";
  if (o.words.empty()) return "no INPUT given (see --help)";
  struct stat st {};
  if (::stat(o.outDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return "--out-dir '" + o.outDir + "' is not a folder";
  }
  std::map<std::string, const std::string*> bases;
  std::map<std::pair<dev_t, ino_t>, const std::string*> inputFiles;
  for (const std::string& input : o.words) {
    const std::string base = PathWithoutExtension(FileNamePart(input));
    const auto [at, fresh] = bases.emplace(base, &input);
    if (!fresh) {
      return "inputs '" + *at->second + "' and '" + input + "' have the same base name '" + base +
             "'; their outputs would collide";
    }
    if (::stat(input.c_str(), &st) == 0) inputFiles.emplace(std::make_pair(st.st_dev, st.st_ino), &input);
    outputs.push_back(OutputPath(o.outDir, input, o.format));
    // Inputs are read by content; an output keeping an input's extension
    // must still be a format that is written.
    if (FileKindOf(outputs.back()) == TFileKind::Unknown) {
      return "output '" + outputs.back() + "' of input '" + input +
             "' has no format that is written (give --format; steps follow '--')";
    }
  }
  for (const std::string& output : outputs) {
    if (::stat(output.c_str(), &st) != 0) continue;
    const auto hit = inputFiles.find({st.st_dev, st.st_ino});
    if (hit != inputFiles.end()) return "output '" + output + "' would overwrite input '" + *hit->second + "'";
  }
  return {};
}

// Adds the paths of --files-from to the inputs of the command line; "" or the
// usage error.
std::string ReadInputLists(TOptions& o) {
  if (o.many.nul && o.many.lists.empty()) return "'--null' needs --files-from";
  for (const std::string& list : o.many.lists) {
    if (std::string error = ReadInputList(list, o.many.nul, o.words); !error.empty()) return error;
  }
  return {};
}

// The inputs this process takes, in the order listed: all of them, or with
// --shard K/N those whose path hashes to K. The share of a path depends on
// nothing else, so N processes given the same inputs in any order cover each
// exactly once.
std::vector<std::size_t> ShareOf(const TOptions& o) {
  std::vector<std::size_t> share;
  for (std::size_t i = 0; i < o.words.size(); ++i) {
    if (ShardOf(o.words[i], o.many.shards) == o.many.shard) share.push_back(i);
  }
  return share;
}

// One input of a run with --out-dir: passed over when --skip-existing finds
// its output up to date, otherwise made. With `entry`, fills in its manifest
// line (the output's size and SHA-256 read back from the disk).
TFileOutcome RunListedFile(const TOptions& o, const std::string& input, const std::string& output,
                           const std::vector<TPlannedStep>& plan, const TBatchEnv& env, TManifestEntry* entry) {
  const auto start = std::chrono::steady_clock::now();
  TFileOutcome r;
  if (o.many.skipExisting && OutputUpToDate(input, output)) {
    r.end = TFileEnd::Skipped;
  } else {
    r = RunFile(input, output, plan, o.seed, o.orientation, o.save, env, nullptr);
  }
  if (!entry) return r;
  entry->input = input;
  entry->output = output;
  entry->ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  entry->status = r.end == TFileEnd::Written ? "written" : r.end == TFileEnd::Skipped ? "skipped" : "failed";
  entry->error = r.message;
  if (r.end == TFileEnd::Written || r.end == TFileEnd::Skipped) {
    entry->hashed = HashFile(output, entry->bytes, entry->sha256);
  }
  return r;
}

// The batch's report on standard error: on a terminal one progress line,
// rewritten in place, with failures printed above it; elsewhere failures only.
class TProgress {
 public:
  TProgress(std::ostream& err, bool terminal, std::size_t total)
      : err_(err), terminal_(terminal), total_(total), start_(std::chrono::steady_clock::now()) {}

  void Failure(const std::string& line) {
    if (terminal_) err_ << "\r\x1b[K";
    err_ << "kirabox-batch: " << line << "\n";
  }
  void Draw(std::size_t done) {
    if (!terminal_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char left[32] = "--:--";
    if (done > 0 && rate > 0) {
      const long s = static_cast<long>(static_cast<double>(total_ - done) / rate + 0.5);
      std::snprintf(left, sizeof left, "%ld:%02ld", s / 60, s % 60);
    }
    char line[128];
    std::snprintf(line, sizeof line, "%zu/%zu files  %.2f files/s  %s left", done, total_, rate, left);
    err_ << "\r" << line << "\x1b[K" << std::flush;
  }
  void Finish(std::size_t done) {
    if (!terminal_) return;
    Draw(done);
    err_ << "\n";
  }

 private:
  std::ostream& err_;
  bool terminal_;
  std::size_t total_;
  std::chrono::steady_clock::time_point start_;
};

int RunManyFiles(TOptions o, std::ostream& err, const TBatchEnv& env) {
  std::vector<std::string> outputs;
  std::string error = ReadInputLists(o);
  if (error.empty()) error = CheckFiles(o, outputs);
  std::vector<TPlannedStep> plan;
  if (error.empty()) PlanSteps(o.recipes, o.steps, plan, error);
  std::vector<std::size_t> share;
  TManifest manifest;
  if (error.empty()) share = ShareOf(o);
  if (error.empty() && !o.many.manifest.empty()) error = manifest.Open(o.many.manifest);
  if (!error.empty()) {
    err << "kirabox-batch: " << error << "\n";
    return kUsageError;
  }
  std::vector<std::string> stepTexts;
  for (const TPlannedStep& p : plan) stepTexts.push_back(p.text);
  const std::string manifestTail = ManifestTail(stepTexts, o.seed, o.orientation == TOrientation::Keep);
  bool manifestFailed = false;
  const std::size_t total = share.size();
  const int cores = env.cores > 0 ? env.cores : static_cast<int>(std::thread::hardware_concurrency());
  int jobs = o.jobs != 0 ? o.jobs : cores;
  if (jobs < 1) jobs = 1;
  if (static_cast<std::size_t>(jobs) > total) jobs = static_cast<int>(total);
  // The jobs share the cores: each file's effects get their part of them.
  const int threadsEach = ThreadsPerJob(cores, jobs);

  // Each worker holds one file at a time, so no more pictures are in memory
  // than there are jobs. Workers take the next file in the order given.
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0, done = 0, failed = 0;
  int running = 0;
  TProgress progress(err, env.terminal, total);
  const auto work = [&] {
    const TThreadBudgetScope budget(threadsEach);
    for (;;) {
      std::size_t i;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (next >= total || StopRequested(env)) break;
        i = share[next++];
      }
      TManifestEntry entry;
      const TFileOutcome r = RunListedFile(o, o.words[i], outputs[i], plan, env, manifest.IsOpen() ? &entry : nullptr);
      std::lock_guard<std::mutex> lock(mutex);
      if (manifest.IsOpen() && r.end != TFileEnd::Stopped) {
        const std::string manifestError = manifest.Append(ManifestLine(entry, manifestTail));
        if (!manifestError.empty()) {
          manifestFailed = true;
          progress.Failure(manifestError);
        }
      }
      if (r.end == TFileEnd::Written || r.end == TFileEnd::Skipped) ++done;
      if (r.end == TFileEnd::Failed) {
        ++done;
        ++failed;
        progress.Failure(r.message);
      }
      changed.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    changed.notify_all();
  };

  std::vector<std::thread> threads;
  {
    std::unique_lock<std::mutex> lock(mutex);
    for (int j = 0; j < jobs; ++j) {
      try {
        threads.emplace_back(work);
        ++running;
      } catch (const std::system_error&) {
        break;  // fewer jobs than asked; the ones running share the files
      }
    }
  }
  if (threads.empty()) {
    ++running;
    work();
  }
  {
    std::unique_lock<std::mutex> lock(mutex);
    progress.Draw(done);
    while (running > 0) {
      changed.wait_for(lock, std::chrono::milliseconds(250));
      progress.Draw(done);
    }
    progress.Finish(done);
  }
  for (std::thread& t : threads) t.join();
  if (const std::string closing = manifest.Close(); !closing.empty()) {
    manifestFailed = true;
    progress.Failure(closing);
  }

  if (StopRequested(env)) {
    err << "kirabox-batch: stopped; " << (done - failed) << " of " << total << " files written\n";
    return kStopped;
  }
  return failed > 0 || manifestFailed ? kFileError : 0;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const TBatchEnv& env) {
  try {
    TOptions o;
    bool help = false;
    const std::string error = ParseOptions(args, o, &help);
    if (help) {
      out << kUsage << DescribeSteps(AllSteps());
      return 0;
    }
    if (!error.empty()) {
      err << "kirabox-batch: " << error << "\n";
      return kUsageError;
    }
    return o.outDirGiven ? RunManyFiles(o, err, env) : RunOneFile(o, err, env);
  } catch (const std::bad_alloc&) {
    err << "kirabox-batch: not enough memory\n";
    return kFileError;
  } catch (const std::exception& e) {
    err << "kirabox-batch: " << e.what() << "\n";
    return kFileError;
  }
}

}  // namespace kira
