// What choosing the pages' drawing costs the program's start: the render nodes and their
// drivers read from /dev/dri and sysfs, on this machine and on a stand-in machine of four
// nodes (two GPUs, a virtual GEM node and a virtual machine's GPU). It runs once, before
// the first view, on the main thread.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "desktop/glib_handles.h"
#include "engine/control/gpu_drawing.h"

namespace {

kv::GraphicsFolders stand_in_machine() {
  static const kv::GraphicsFolders folders = [] {
    const std::string root = kv::take_string(g_dir_make_tmp("kv-gpu-bench-XXXXXX", nullptr));
    const kv::GraphicsFolders made{root + "/dev/dri", root + "/sys/class/drm"};
    g_mkdir_with_parents(made.devices.c_str(), 0700);
    int number = 128;
    for (const char* driver : {"i915", "nouveau", "vgem", "virtio_gpu"}) {
      const std::string node = "renderD" + std::to_string(number++);
      std::ofstream(made.devices + "/" + node) << "";
      const std::string device = made.classes + "/" + node + "/device";
      g_mkdir_with_parents(device.c_str(), 0700);
      if (symlink((std::string("../../../bus/pci/drivers/") + driver).c_str(),
                  (device + "/driver").c_str()) != 0) {
        return made;
      }
      std::ofstream(device + "/features") << "1" << std::string(63, '0') << "\n";
    }
    return made;
  }();
  return folders;
}

void BM_ChoiceOnThisMachine(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(kv::draw_pages_with_gpu(kv::find_render_nodes(), true));
  }
}
BENCHMARK(BM_ChoiceOnThisMachine)->Unit(benchmark::kMicrosecond);

void BM_ChoiceOnAMachineOfFourNodes(benchmark::State& state) {
  const kv::GraphicsFolders folders = stand_in_machine();
  for (auto _ : state) {
    benchmark::DoNotOptimize(kv::draw_pages_with_gpu(kv::find_render_nodes(folders), true));
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(folders.devices).parent_path().parent_path(),
                              ignored);
}
BENCHMARK(BM_ChoiceOnAMachineOfFourNodes)->Unit(benchmark::kMicrosecond)->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
