#include "cli/batch.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <new>
#include <ostream>

#include "pages/page_list.h"
#include "core/image_files.h"
#include "document/document.h"
#include "effects/random.h"

namespace kira {

namespace {

constexpr const char* kUsage =
    "usage: kirabox-batch [--seed N] [--time] INPUT OUTPUT [STEP ...]\n"
    "       kirabox-batch --help\n"
    "\n"
    "INPUT is a .jpg, .jpeg or .bmp file (any letter case); OUTPUT is written as\n"
    "JPEG (quality 90) or 24-bit BMP by its extension. Each STEP is NAME or\n"
    "NAME:KEY=VALUE[,KEY=VALUE...]; it opens the page, sets the keys given (the\n"
    "others keep the page's defaults), runs Preview and Apply. --seed N\n"
    "(0..4294967295) sets the random generator's state before the first step.\n"
    "--time writes, for each step, 'time STEP MS' to standard error: STEP as\n"
    "given, MS the milliseconds of its Preview and Apply with one decimal\n"
    "(loading and saving not counted).\n"
    "Exit status: 0 success, 1 input/output failure, 2 usage error.\n"
    "\n"
    "steps:\n";

struct TPlannedStep {
  const TStepSpec* step;
  TStepValues values;
  std::string text;  // as given on the command line
};

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    std::vector<std::string> positional;
    bool seedGiven = false;
    bool timed = false;
    std::uint32_t seed = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "--help" || a == "-h") {
        out << kUsage << DescribeSteps(AllSteps());
        return 0;
      }
      if (a == "--time") {
        timed = true;
        continue;
      }
      if (a == "--seed") {
        if (i + 1 >= args.size()) {
          err << "kirabox-batch: '--seed' needs a value\n";
          return 2;
        }
        long long v = 0;
        const std::string& text = args[++i];
        if (!ParseInt(text, v) || v < 0 || v > 4294967295LL) {
          err << "kirabox-batch: '" << text << "' is not a seed (0..4294967295)\n";
          return 2;
        }
        seedGiven = true;
        seed = static_cast<std::uint32_t>(v);
        continue;
      }
      if (a.size() > 1 && a[0] == '-' && a[1] == '-' && positional.size() < 2) {
        err << "kirabox-batch: unknown option '" << a << "'\n";
        return 2;
      }
      positional.push_back(a);
    }
    if (positional.size() < 2) {
      err << "kirabox-batch: INPUT and OUTPUT are needed (see --help)\n";
      return 2;
    }
    const std::string& input = positional[0];
    const std::string& output = positional[1];
    if (FileKindOf(input) == TFileKind::Unknown) {
      err << "kirabox-batch: unknown extension of input '" << input << "' (.jpg, .jpeg or .bmp)\n";
      return 2;
    }
    if (FileKindOf(output) == TFileKind::Unknown) {
      err << "kirabox-batch: unknown extension of output '" << output << "' (.jpg, .jpeg or .bmp)\n";
      return 2;
    }
    // Every step is checked before any work, so that a usage error costs
    // nothing and writes nothing.
    std::vector<TPlannedStep> plan;
    for (std::size_t i = 2; i < positional.size(); ++i) {
      TPlannedStep p{};
      std::string error;
      p.step = ParseStep(AllSteps(), positional[i], p.values, error);
      p.text = positional[i];
      if (!p.step) {
        err << "kirabox-batch: " << error << "\n";
        return 2;
      }
      plan.push_back(std::move(p));
    }

    TDocument doc;
    std::string error;
    if (doc.OpenImageFile(input, &error) != TOpenOutcome::Opened) {
      err << "kirabox-batch: " << (error.empty() ? input + ": cannot read" : error) << "\n";
      return 1;
    }
    RandSeed() = seedGiven ? seed : 0;
    for (TPlannedStep& p : plan) {
      const auto start = std::chrono::steady_clock::now();
      if (!p.step->run(doc, p.values, error)) {
        err << "kirabox-batch: " << p.step->name << ": " << error << "\n";
        return 1;
      }
      if (timed) {
        const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", ms.count());
        err << "time " << p.text << " " << buf << "\n";
      }
    }
    const TSaveResult saved = SavePicture(doc.Source(), output);
    if (!saved) {
      err << "kirabox-batch: " << (saved.error.empty() ? output + ": cannot write" : saved.error) << "\n";
      return 1;
    }
    return 0;
  } catch (const std::bad_alloc&) {
    err << "kirabox-batch: not enough memory\n";
    return 1;
  } catch (const std::exception& e) {
    err << "kirabox-batch: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace kira
