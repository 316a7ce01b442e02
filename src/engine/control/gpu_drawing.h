#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// A render node of one of the machine's graphics devices, and the GL renderer that would
// draw on it as far as the device tells without starting GL: the kernel driver's name
// ("i915", "amdgpu", "nouveau", "virgl", ...), or the software renderer that stands in
// for a device that draws nothing itself ("llvmpipe"); "" when the device does not say.
struct RenderNode {
  std::string device;   // "/dev/dri/renderD128"
  bool usable = false;  // the user may open it to read and to write
  std::string renderer;
};

// Where the machine lists its render nodes (`devices`) and what they are (`classes`, a
// folder per node whose device/driver names the driver). Tests give folders of their own.
struct GraphicsFolders {
  std::string devices = "/dev/dri";
  std::string classes = "/sys/class/drm";
};

// The render nodes in `folders.devices`, in name order; none when it cannot be read.
// Reads a few small files and links and starts no GL, so that it costs the first window
// nothing worth measuring.
std::vector<RenderNode> find_render_nodes(const GraphicsFolders& folders = {});

// Whether a GL renderer's name (as GL_RENDERER spells it, or as RenderNode has it) is one
// that draws on the CPU: llvmpipe, softpipe, swrast, a "Software Rasterizer", or a
// virtual GPU whose host draws with one of these.
bool is_software_renderer(std::string_view renderer);

// Whether pages are drawn with the GPU: the user allows it, and a node that the user may
// open has a renderer that is not a software one. Otherwise the CPU draws them, which
// spares every web process the memory of GL drawn in software.
bool draw_pages_with_gpu(const std::vector<RenderNode>& nodes, bool user_allows);

// KESTRIVANE_HARDWARE_ACCELERATION as given: "on" draws with the GPU's policy whatever the
// machine and the option say, "off" never does; anything else (or unset) leaves it to them.
std::optional<bool> forced_gpu_drawing(const char* value);

// Whether Mesa was told to draw in software (LIBGL_ALWAYS_SOFTWARE set, and not 0 or
// false), which makes every renderer a software one.
bool software_gl_forced(const char* value);

}  // namespace kv
