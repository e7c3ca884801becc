// What the Qt desktop's background-task hook adds to a tail-path detection, which calls it
// once for each of up to 508 rejected positions.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "platform/background_task.h"
#include "platform/qt/qt_desktop.h"
#include "tests/support/kontakt_files.h"
#include "tests/support/temp_dir.h"
#include "version_detection/bas_kontakt_version.h"

namespace {

platform::qt::QtDesktop* desktop = nullptr;

void ServeQtEvents() {
  desktop->ServeEvents();
}

// The tag as far into the tail as the scan looks, so that every call of the hook is made.
std::shared_ptr<platform::FolderItem> TailFileWithLateTag(const testing_support::TempDir& folder) {
  return folder.Write("late tag.nki",
                      testing_support::TailTaggedFile(1024, {0, 1, 3, 5}, "5noK", 1));
}

void TailDetection(benchmark::State& state, platform::BackgroundTaskHook hook) {
  const testing_support::TempDir folder;
  const auto file = TailFileWithLateTag(folder);
  const platform::ScopedBackgroundTaskHook installed(hook);
  for (auto _ : state) {
    std::string answer;
    benchmark::DoNotOptimize(basKontaktVersion::ShowKontaktVersion(file, answer));
    benchmark::DoNotOptimize(answer);
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  platform::qt::QtDesktop qt(qtArgc, argv);
  desktop = &qt;
  benchmark::RegisterBenchmark("TailDetection/hook:none", TailDetection, nullptr);
  benchmark::RegisterBenchmark("TailDetection/hook:qt", TailDetection, &ServeQtEvents);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
