#include "engine/control/gpu_drawing.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string lower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = g_ascii_tolower(c);
  return folded;
}

bool one_of(std::string_view value, std::initializer_list<std::string_view> names) {
  const std::string folded = lower(value);
  return std::find(names.begin(), names.end(), folded) != names.end();
}

// A virtio GPU draws with the host's GL only when the host offers it 3D (virgl, the
// first of its feature bits); otherwise Mesa draws on the guest's CPU.
bool offers_virgl(const std::string& device) {
  OwnedChars features;
  if (!g_file_get_contents((device + "/features").c_str(), out(features), nullptr, nullptr)) {
    return false;
  }
  return features.get()[0] == '1';
}

std::string renderer_of(const std::string& node_class) {
  const std::string device = node_class + "/device";
  const OwnedChars link(g_file_read_link((device + "/driver").c_str(), nullptr));
  if (!link) return "";
  const OwnedChars driver(g_path_get_basename(link.get()));
  const std::string name = driver.get();
  // Virtual devices with no drawing of their own: Mesa draws for them on the CPU.
  if (name == "vgem" || name == "vkms") return "llvmpipe";
  if (name == "virtio_gpu") return offers_virgl(device) ? "virgl" : "llvmpipe";
  return name;
}

}  // namespace

std::vector<RenderNode> find_render_nodes(const GraphicsFolders& folders) {
  std::vector<RenderNode> nodes;
  const std::unique_ptr<GDir, decltype(&g_dir_close)> listing(
      g_dir_open(folders.devices.c_str(), 0, nullptr), &g_dir_close);
  if (!listing) return nodes;
  while (const char* name = g_dir_read_name(listing.get())) {
    if (!g_str_has_prefix(name, "renderD")) continue;
    RenderNode node;
    node.device = folders.devices + "/" + name;
    // Asked, not opened: opening a sleeping discrete GPU's node wakes it.
    node.usable = g_access(node.device.c_str(), R_OK | W_OK) == 0;
    node.renderer = renderer_of(folders.classes + "/" + name);
    nodes.push_back(std::move(node));
  }
  std::sort(nodes.begin(), nodes.end(),
            [](const RenderNode& a, const RenderNode& b) { return a.device < b.device; });
  return nodes;
}

bool is_software_renderer(std::string_view renderer) {
  const std::string name = lower(renderer);
  for (const char* software :
       {"llvmpipe", "softpipe", "swrast", "software rasterizer", "software renderer"}) {
    if (name.find(software) != std::string::npos) return true;
  }
  return false;
}

bool draw_pages_with_gpu(const std::vector<RenderNode>& nodes, bool user_allows) {
  return user_allows && std::any_of(nodes.begin(), nodes.end(), [](const RenderNode& node) {
           return node.usable && !is_software_renderer(node.renderer);
         });
}

std::optional<bool> forced_gpu_drawing(const char* value) {
  if (value == nullptr) return std::nullopt;
  if (one_of(value, {"on", "1", "yes", "true"})) return true;
  if (one_of(value, {"off", "0", "no", "false"})) return false;
  return std::nullopt;
}

bool software_gl_forced(const char* value) {
  // As Mesa reads it.
  return value != nullptr && one_of(value, {"1", "true", "y", "yes"});
}

}  // namespace kv
