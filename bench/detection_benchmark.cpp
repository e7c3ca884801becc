// What one detection costs beside the bare system calls it cannot avoid, whether that cost grows
// with the file's size, and what the tail scan's background-task hook adds to it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/background_task.h"
#include "platform/folder_item.h"
#include "platform/memory_block.h"
#include "tests/support/kontakt_files.h"
#include "tests/support/temp_dir.h"
#include "version_detection/bas_kontakt_version.h"

namespace {

using testing_support::kHeadSize;
using testing_support::KontaktFile;
using testing_support::kTailSize;

constexpr uint64_t kSmallSize = 1024;
// Sparse: only the head and the tail occupy the disk, so the cost of size is all that is measured.
constexpr uint64_t kSparseSize = uint64_t{8} << 30;
// The last position the scan examines: a found tag then costs the most rejected positions.
constexpr size_t kTagPosition = kTailSize - 5;

const std::string kHeadAnswerEnd = " is Kontakt Version 4.2.3.0";
const std::string kTailAnswerEnd = " is Kontakt Version 5.3.1.0";

std::string HeadTaggedHead() {
  return KontaktFile(kHeadSize).HeadTag({4, 2, 3, 0}, "Kon4").Bytes();
}

std::string TailPathHead() {
  return KontaktFile(kHeadSize).Hsin().Bytes();
}

// A file as long as the tail, so that its offsets are tail positions; the version field is
// stored least significant byte first.
std::string TaggedTail() {
  return KontaktFile(kTailSize).TailTag(kTagPosition, {0, 1, 3, 5}, "5noK").Bytes();
}

void WriteAt(int fd, uint64_t offset, std::string_view bytes) {
  const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  if (n != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("cannot write a benchmark file");
  }
}

// A file of `size` bytes holding `head` at its start and `tail` at its end, zeros (holes)
// between.
std::shared_ptr<platform::FolderItem> MakeFile(const testing_support::TempDir& dir,
                                               const std::string& name, uint64_t size,
                                               std::string_view head, std::string_view tail) {
  const std::string path = dir.Path() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    throw std::runtime_error("cannot make the benchmark file " + path);
  }
  WriteAt(fd, 0, head);
  WriteAt(fd, size - tail.size(), tail);
  ::close(fd);
  return dir.Item(name);
}

void ExpectAnswer(const std::shared_ptr<platform::FolderItem>& file, const std::string& end) {
  std::string answer;
  if (basKontaktVersion::ShowKontaktVersion(file, answer) != basKontaktVersion::kFound ||
      !answer.ends_with(end)) {
    throw std::runtime_error("unexpected detection of " + file->Path() + ": \"" + answer + "\"");
  }
}

void Detection(benchmark::State& state, const std::shared_ptr<platform::FolderItem>& file) {
  for (auto _ : state) {
    std::string answer;
    const int32_t result = basKontaktVersion::ShowKontaktVersion(file, answer);
    benchmark::DoNotOptimize(answer.data());
    if (result != basKontaktVersion::kFound) {
      state.SkipWithError("version not found");
      break;
    }
  }
}

// The least any detection of a tail-path file must do: open, read the head, seek, read the tail,
// close.
void Floor(benchmark::State& state, const std::string& path) {
  std::array<char, kHeadSize> head{};
  std::array<char, kTailSize> tail{};
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ssize_t got = ::read(fd, head.data(), head.size());
    ::lseek(fd, -static_cast<off_t>(kTailSize), SEEK_END);
    got += ::read(fd, tail.data(), tail.size());
    ::close(fd);
    benchmark::DoNotOptimize(head.data());
    benchmark::DoNotOptimize(tail.data());
    if (got != static_cast<ssize_t>(kHeadSize + kTailSize)) {
      state.SkipWithError("cannot read the file");
      break;
    }
  }
}

// The system calls a detection itself makes, in its order (two path lookups, the opening
// with its regular-file check, then the reads): the floor of this design, where Floor is the floor
// of any design.
void DetectionSyscalls(benchmark::State& state, const std::string& path, bool tailPath) {
  std::array<char, kHeadSize> head{};
  std::array<char, kTailSize> tail{};
  for (auto _ : state) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    ::stat(path.c_str(), &info);
    const auto length = info.st_size;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    ::fstat(fd, &info);
    ssize_t got = ::read(fd, head.data(), head.size());
    if (tailPath) {
      ::lseek(fd, length - static_cast<off_t>(kTailSize), SEEK_SET);
      got += ::read(fd, tail.data(), tail.size());
    }
    ::close(fd);
    benchmark::DoNotOptimize(head.data());
    benchmark::DoNotOptimize(tail.data());
    if (got != static_cast<ssize_t>(tailPath ? kHeadSize + kTailSize : kHeadSize)) {
      state.SkipWithError("cannot read the file");
      break;
    }
  }
}

uint64_t hookCalls = 0;

// Trivial work: enough that the call cannot be elided, nothing that costs in itself.
void CountingHook() {
  ++hookCalls;
}

// Reports the hook calls per iteration, so a run shows that the hook really ran kTagPosition
// times.
void CountHookCalls(benchmark::State& state, platform::BackgroundTaskHook hook,
                    uint64_t callsBefore) {
  if (hook != nullptr && state.iterations() > 0) {
    state.counters["hook_calls"] =
        static_cast<double>(hookCalls - callsBefore) / static_cast<double>(state.iterations());
  }
}

void TailDetectionWithHook(benchmark::State& state,
                           const std::shared_ptr<platform::FolderItem>& file,
                           platform::BackgroundTaskHook hook) {
  const platform::ScopedBackgroundTaskHook installed(hook);
  const uint64_t callsBefore = hookCalls;
  Detection(state, file);
  CountHookCalls(state, hook, callsBefore);
}

// The scan alone, without the file system's noise, resolves the hook's cost more sharply.
void TailScanWithHook(benchmark::State& state, platform::BackgroundTaskHook hook) {
  const platform::ScopedBackgroundTaskHook installed(hook);
  const uint64_t callsBefore = hookCalls;
  const auto file = std::make_shared<platform::FolderItem>("/scan.nki");
  const auto block = platform::MemoryBlock::Operator_Convert(TaggedTail());
  for (auto _ : state) {
    std::string answer;
    const bool found = basKontaktVersion::GetVerK56(file, block, answer);
    benchmark::DoNotOptimize(answer.data());
    if (!found) {
      state.SkipWithError("tag not found");
      break;
    }
  }
  CountHookCalls(state, hook, callsBefore);
}

// Prints, after the usual table, the ratios the figures are meant to be read by.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // The fastest repetition is the one least disturbed by the rest of the machine; when only
      // aggregates are reported, the median stands in for it.
      const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
      if (!usable || run.error_occurred) {
        continue;
      }
      const auto [it, fresh] =
          times_.try_emplace(run.run_name.function_name, run.GetAdjustedRealTime());
      if (!fresh) {
        it->second = std::min(it->second, run.GetAdjustedRealTime());
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    out << "\nratios (real time, expected: detection within 2x of its floor, 8 GiB within 1.3x of "
           "1 KiB):\n";
    for (const std::string size : {"head_1KiB", "tail_1KiB", "tail_sparse_8GiB"}) {
      PrintRatio(out, "detection/floor " + size, "Detection/" + size, "Floor/" + size);
      PrintRatio(out, "  its system calls/floor " + size, "Syscalls/" + size, "Floor/" + size);
      PrintRatio(out, "  detection/its system calls " + size, "Detection/" + size,
                 "Syscalls/" + size);
    }
    PrintRatio(out, "detection 8 GiB/1 KiB", "Detection/tail_sparse_8GiB", "Detection/tail_1KiB");
    PrintRatio(out, "floor 8 GiB/1 KiB", "Floor/tail_sparse_8GiB", "Floor/tail_1KiB");
    PrintRatio(out, "tail detection hook trivial/none", "TailDetection/hook:trivial",
               "TailDetection/hook:none");
    PrintRatio(out, "tail scan hook trivial/none", "TailScan/hook:trivial", "TailScan/hook:none");
  }

 private:
  void PrintRatio(std::ostream& out, const std::string& label, const std::string& numerator,
                  const std::string& denominator) const {
    const auto top = times_.find(numerator);
    const auto bottom = times_.find(denominator);
    if (top == times_.end() || bottom == times_.end() || bottom->second <= 0) {
      return;
    }
    out << "  " << label << ": " << top->second / bottom->second << '\n';
  }

  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  const testing_support::TempDir dir;
  const std::vector<std::pair<std::string, std::shared_ptr<platform::FolderItem>>> files = {
      {"head_1KiB", MakeFile(dir, "head.nki", kSmallSize, HeadTaggedHead(), "")},
      {"tail_1KiB", MakeFile(dir, "tail.nki", kSmallSize, TailPathHead(), TaggedTail())},
      {"tail_sparse_8GiB", MakeFile(dir, "sparse.nki", kSparseSize, TailPathHead(), TaggedTail())},
  };
  ExpectAnswer(files[0].second, kHeadAnswerEnd);
  ExpectAnswer(files[1].second, kTailAnswerEnd);
  ExpectAnswer(files[2].second, kTailAnswerEnd);

  for (const auto& [label, file] : files) {
    benchmark::RegisterBenchmark(("Detection/" + label).c_str(), Detection, file)->UseRealTime();
    benchmark::RegisterBenchmark(("Floor/" + label).c_str(), Floor, file->Path())->UseRealTime();
    benchmark::RegisterBenchmark(("Syscalls/" + label).c_str(), DetectionSyscalls, file->Path(),
                                 label != "head_1KiB")
        ->UseRealTime();
  }
  const auto& tailFile = files[1].second;
  benchmark::RegisterBenchmark("TailDetection/hook:none", TailDetectionWithHook, tailFile, nullptr)
      ->UseRealTime();
  benchmark::RegisterBenchmark("TailDetection/hook:trivial", TailDetectionWithHook, tailFile,
                               &CountingHook)
      ->UseRealTime();
  benchmark::RegisterBenchmark("TailScan/hook:none", TailScanWithHook, nullptr)->UseRealTime();
  benchmark::RegisterBenchmark("TailScan/hook:trivial", TailScanWithHook, &CountingHook)
      ->UseRealTime();

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
