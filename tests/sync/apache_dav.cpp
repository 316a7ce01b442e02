#include "apache_dav.h"

#include <glib/gstdio.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/run_until.h"

namespace kv::test {
namespace {

constexpr const char* kApache = "/usr/sbin/apache2";
constexpr const char* kModules = "/usr/lib/apache2/modules/";

int free_port() {
  GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  const ObjectRef<GSocketAddress> any(g_inet_socket_address_new(loopback, 0));
  g_object_unref(loopback);
  const ObjectRef<GSocket> socket(
      g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr));
  if (!socket || !g_socket_bind(socket.get(), any.get(), FALSE, nullptr)) return 0;
  const ObjectRef<GSocketAddress> bound(g_socket_get_local_address(socket.get(), nullptr));
  return bound ? g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound.get())) : 0;
}

bool answers(int port) {
  const ObjectRef<GSocketClient> client(g_socket_client_new());
  const ObjectRef<GSocketConnection> connection(g_socket_client_connect_to_host(
      client.get(), "127.0.0.1", static_cast<guint16>(port), nullptr, nullptr));
  return static_cast<bool>(connection);
}

// The server's workers drop to www-data when it starts as root: what they write must be
// theirs, and the way to it open to them.
void give_to_workers(const std::string& path) {
  if (::geteuid() != 0) return;
  const passwd* workers = ::getpwnam("www-data");
  if (workers != nullptr && ::chown(path.c_str(), workers->pw_uid, workers->pw_gid) != 0) {
    g_warning("could not give %s to www-data", path.c_str());
  }
}

void child_in_own_group(gpointer) {
  ::setpgid(0, 0);
}

}  // namespace

ApacheDav::ApacheDav(bool https) : https_(https) {
  ::chmod(dir_.path().c_str(), 0755);
  for (const char* sub : {"/dav", "/logs", "/lock"}) {
    g_mkdir((dir_.path() + sub).c_str(), 0700);
    give_to_workers(dir_.path() + sub);
  }
  if (https_) certificate_ = std::make_unique<TestCertificate>("127.0.0.1");
  const std::string users = dir_.file("users");
  const char* argv[] = {"htpasswd", "-bc", users.c_str(), kUser, kPassword, nullptr};
  gint status = 1;
  if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                             G_SPAWN_STDERR_TO_DEV_NULL),
                    nullptr, nullptr, nullptr, nullptr, &status, nullptr) ||
      !g_spawn_check_wait_status(status, nullptr)) {
    why_ = "htpasswd could not make the password file (apache2-utils)";
    return;
  }
  ::chmod(users.c_str(), 0644);
  for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
    port_ = free_port();
    write_config();
    running_ = start();
  }
}

ApacheDav::~ApacheDav() {
  if (process_) {
    g_subprocess_send_signal(process_.get(), SIGTERM);
    g_subprocess_wait(process_.get(), nullptr, nullptr);
  }
}

void ApacheDav::write_config() {
  const std::string& root = dir_.path();
  std::ofstream conf(dir_.file("httpd.conf"));
  conf << "ServerRoot \"" << root << "\"\n"
       << "ServerName 127.0.0.1\n"
       << "Listen 127.0.0.1:" << port_ << (https_ ? " https\n" : "\n") << "PidFile \"" << root
       << "/logs/httpd.pid\"\n"
       << "DefaultRuntimeDir \"" << root << "/logs\"\n"
       << "ErrorLog \"" << root << "/logs/error.log\"\n"
       << "LogLevel warn\n";
  for (const char* module : {"mpm_event", "authz_core", "authz_user", "authn_core", "authn_file",
                             "auth_basic", "dav", "dav_fs"}) {
    conf << "LoadModule " << module << "_module " << kModules << "mod_" << module << ".so\n";
  }
  if (::geteuid() == 0) conf << "User www-data\nGroup www-data\n";
  if (https_) {
    conf << "LoadModule ssl_module " << kModules << "mod_ssl.so\n"
         << "SSLEngine on\n"
         << "SSLCertificateFile \"" << certificate_->certificate_file() << "\"\n"
         << "SSLCertificateKeyFile \"" << certificate_->key_file() << "\"\n";
  }
  conf << "DavLockDB \"" << root << "/lock/davlock\"\n"
       << "DocumentRoot \"" << root << "/dav\"\n"
       << "<Directory \"" << root << "/dav\">\n"
       << "  Dav On\n"
       << "  AuthType Basic\n"
       << "  AuthName \"Kestrivane tests\"\n"
       << "  AuthUserFile \"" << root << "/users\"\n"
       << "  Require valid-user\n"
       << "</Directory>\n";
}

bool ApacheDav::start() {
  const ObjectRef<GSubprocessLauncher> launcher(
      g_subprocess_launcher_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_SILENCE |
                                                              G_SUBPROCESS_FLAGS_STDERR_SILENCE)));
  // In a process group of its own, so that kill() takes its workers too.
  g_subprocess_launcher_set_child_setup(launcher.get(), child_in_own_group, nullptr, nullptr);
  const std::string conf = dir_.file("httpd.conf");
  const char* argv[] = {kApache, "-f", conf.c_str(), "-DFOREGROUND", nullptr};
  OwnedError error;
  process_.reset(g_subprocess_launcher_spawnv(launcher.get(), argv, out(error)));
  if (!process_) {
    why_ = error ? error->message : "apache2 did not start";
    return false;
  }
  const int port = port_;
  GSubprocess* process = process_.get();
  const bool up =
      run_until([&] { return answers(port) || g_subprocess_get_identifier(process) == nullptr; },
                std::chrono::seconds(20));
  if (up && answers(port)) return true;
  why_ = "apache2 did not answer; see " + dir_.file("logs/error.log");
  g_subprocess_force_exit(process_.get());
  process_.reset();
  return false;
}

std::string ApacheDav::address() const {
  return std::string(https_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

std::string ApacheDav::file(const std::string& name) const {
  return dir_.file("dav/" + name);
}

void ApacheDav::clear() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.file("dav"), ignored)) {
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

void ApacheDav::kill() {
  if (!process_) return;
  const std::string pid = g_subprocess_get_identifier(process_.get());
  ::kill(-static_cast<pid_t>(std::stol(pid)), SIGKILL);
  g_subprocess_wait(process_.get(), nullptr, nullptr);
  process_.reset();
  running_ = false;
}

bool ApacheDav::restart() {
  kill();
  g_remove(dir_.file("logs/httpd.pid").c_str());
  running_ = start();
  return running_;
}

}  // namespace kv::test
