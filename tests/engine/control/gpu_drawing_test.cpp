#include "engine/control/gpu_drawing.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "desktop/internet_settings.h"
#include "engine/control/web_engine.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

// Names as GL_RENDERER gives them on real machines.
TEST(GpuDrawing, SoftwareRenderersAreToldFromGpusByName) {
  for (const char* software :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "swrast", "Software Rasterizer",
        "Apple Software Renderer", "virgl (LLVMPIPE (LLVM 15.0.6, 256 bits))", "llvmpipe"}) {
    EXPECT_TRUE(is_software_renderer(software)) << software;
  }
  // LLVM in a name is a compiler of shaders, not a software rasterizer.
  for (const char* gpu :
       {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
        "AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)",
        "SVGA3D; build: RELEASE;  LLVM;", "virgl (Mesa Intel(R) Xe Graphics (TGL GT2))",
        "NVIDIA GeForce GTX 1050/PCIe/SSE2", "i915", "amdgpu", "virgl", ""}) {
    EXPECT_FALSE(is_software_renderer(gpu)) << gpu;
  }
}

TEST(GpuDrawing, PagesTakeTheGpuOnlyFromAUsableNodeWithAGpuAndTheUsersConsent) {
  const RenderNode intel{"/dev/dri/renderD128", true, "Mesa Intel(R) UHD Graphics 620 (KBL GT2)"};
  const RenderNode software{"/dev/dri/renderD128", true, "llvmpipe (LLVM 15.0.6, 256 bits)"};
  const RenderNode locked{"/dev/dri/renderD129", false, "amdgpu"};

  EXPECT_TRUE(draw_pages_with_gpu({intel}, true));
  EXPECT_FALSE(draw_pages_with_gpu({intel}, false)) << "the option is off";
  EXPECT_FALSE(draw_pages_with_gpu({software}, true));
  EXPECT_FALSE(draw_pages_with_gpu({locked}, true)) << "a GPU the user may not open";
  EXPECT_FALSE(draw_pages_with_gpu({}, true)) << "no render node at all";
  EXPECT_FALSE(draw_pages_with_gpu({software, locked}, true));
  // A virtual node beside a real GPU (a laptop with a second card, a vgem node).
  EXPECT_TRUE(draw_pages_with_gpu({software, intel}, true));
}

// The device folders of a machine, written by the test: /dev/dri's nodes and the class
// folder of /sys/class/drm with each node's device and its driver.
class StandInGraphics {
 public:
  StandInGraphics() {
    g_mkdir_with_parents(folders.devices.c_str(), 0700);
    g_mkdir_with_parents(folders.classes.c_str(), 0700);
  }

  void node(const std::string& name) { std::ofstream(folders.devices + "/" + name) << ""; }
  void driver(const std::string& name, const std::string& driver,
              const std::string& features = "") {
    const std::string device = folders.classes + "/" + name + "/device";
    g_mkdir_with_parents(device.c_str(), 0700);
    // As sysfs links it: the driver's folder under the bus, which a reader never follows.
    ASSERT_EQ(
        symlink(("../../../../bus/pci/drivers/" + driver).c_str(), (device + "/driver").c_str()),
        0);
    if (!features.empty()) std::ofstream(device + "/features") << features << "\n";
  }

  test::TempDir root;
  GraphicsFolders folders{root.file("dev/dri"), root.file("sys/class/drm")};
};

TEST(GpuDrawing, RenderNodesAreReadFromTheDeviceFolders) {
  StandInGraphics machine;
  machine.node("card0");  // the display's node: not one to draw on
  machine.node("renderD128");
  machine.driver("renderD128", "i915");
  machine.node("renderD129");
  machine.driver("renderD129", "vgem");
  machine.node("renderD130");
  machine.driver("renderD130", "virtio_gpu", std::string("1") + std::string(63, '0'));
  machine.node("renderD131");
  machine.driver("renderD131", "virtio_gpu", std::string("0") + std::string(63, '1'));
  machine.node("renderD132");  // its class folder hidden, as in some sandboxes
  // In the class folder only: the node is not in this machine's /dev (a container).
  machine.driver("renderD133", "amdgpu");

  const std::vector<RenderNode> nodes = find_render_nodes(machine.folders);
  ASSERT_EQ(nodes.size(), 5U);
  const std::vector<std::string> renderers{"i915", "llvmpipe", "virgl", "llvmpipe", ""};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].device, machine.folders.devices + "/renderD" + std::to_string(128 + i));
    EXPECT_EQ(nodes[i].renderer, renderers[i]) << nodes[i].device;
    EXPECT_TRUE(nodes[i].usable) << nodes[i].device;
  }
  EXPECT_TRUE(draw_pages_with_gpu(nodes, true));
}

TEST(GpuDrawing, AMachineWithoutAGpuOfItsOwnDrawsPagesOnTheCpu) {
  StandInGraphics machine;
  EXPECT_FALSE(draw_pages_with_gpu(find_render_nodes(machine.folders), true)) << "no nodes";

  // A virtual machine's GPU without 3D, and a virtual GEM node.
  machine.node("renderD128");
  machine.driver("renderD128", "virtio_gpu", std::string(64, '0'));
  machine.node("renderD129");
  machine.driver("renderD129", "vgem");
  // A GPU whose node cannot be opened: a link to a node that is not there.
  ASSERT_EQ(symlink("/nonexistent/renderD200", (machine.folders.devices + "/renderD130").c_str()),
            0);
  machine.driver("renderD130", "amdgpu");
  const std::vector<RenderNode> nodes = find_render_nodes(machine.folders);
  ASSERT_EQ(nodes.size(), 3U);
  EXPECT_FALSE(nodes[2].usable);
  EXPECT_FALSE(draw_pages_with_gpu(nodes, true));

  if (geteuid() != 0) {
    // A node of the GPU's own that only its group may open (root opens any).
    machine.node("renderD131");
    machine.driver("renderD131", "i915");
    g_chmod((machine.folders.devices + "/renderD131").c_str(), 0);
    EXPECT_FALSE(draw_pages_with_gpu(find_render_nodes(machine.folders), true));
  }

  const GraphicsFolders missing{machine.root.file("none/dri"), machine.root.file("none/drm")};
  EXPECT_TRUE(find_render_nodes(missing).empty());
}

TEST(GpuDrawing, TheEnvironmentForcesEitherWayOrLeavesItToTheMachine) {
  for (const char* on : {"on", "ON", "1", "yes", "true"}) EXPECT_EQ(forced_gpu_drawing(on), true);
  for (const char* off : {"off", "Off", "0", "no", "false"}) {
    EXPECT_EQ(forced_gpu_drawing(off), false);
  }
  for (const char* neither : {"", "auto", "maybe", "on please"}) {
    EXPECT_EQ(forced_gpu_drawing(neither), std::nullopt) << neither;
  }
  EXPECT_EQ(forced_gpu_drawing(nullptr), std::nullopt);

  for (const char* forced : {"1", "true", "TRUE", "y", "yes"}) {
    EXPECT_TRUE(software_gl_forced(forced)) << forced;
  }
  for (const char* not_forced : {"0", "false", "no", "", "2"}) {
    EXPECT_FALSE(software_gl_forced(not_forced)) << not_forced;
  }
  EXPECT_FALSE(software_gl_forced(nullptr));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The policy that the program's views are made with, in a process of its own (the
// settings are made once, as the program starts); the process's private home goes with it.
[[noreturn]] void exit_with_policy(const char* forced, bool option) {
  if (forced != nullptr) g_setenv("KESTRIVANE_HARDWARE_ACCELERATION", forced, TRUE);
  if (!option && !save_use_hardware_acceleration(false)) std::_Exit(100);
  const int policy = webkit_settings_get_hardware_acceleration_policy(shared_web_settings());
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(g_get_home_dir()).parent_path(), ignored);
  std::_Exit(policy);
}

TEST(GpuDrawingDeathTest, TheChoiceReachesTheSettingsOfEveryView) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  g_unsetenv("KESTRIVANE_HARDWARE_ACCELERATION");
  const ObjectRef<WebKitSettings> fresh(webkit_settings_new());
  const int engine_default = webkit_settings_get_hardware_acceleration_policy(fresh.get());
  ASSERT_NE(engine_default, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  EXPECT_EXIT(exit_with_policy("on", true), testing::ExitedWithCode(engine_default), "");
  EXPECT_EXIT(exit_with_policy("on", false), testing::ExitedWithCode(engine_default), "")
      << "forced on whatever the option says";
  EXPECT_EXIT(exit_with_policy("off", true),
              testing::ExitedWithCode(WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER), "");
  // Whatever this machine has, the user's option off keeps the GPU out.
  EXPECT_EXIT(exit_with_policy(nullptr, false),
              testing::ExitedWithCode(WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER), "");
}

}  // namespace
}  // namespace kv
