#include "sync/soup_dav_client.h"

#include <thread>

#include "bookmarks/bookmark_tree.h"
#include "bookmarks/xml_handles.h"
#include "desktop/login_store.h"

namespace kv {
namespace {

constexpr unsigned kDefaultTimeout = 30;
constexpr const char* kPropfind =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop></D:propfind>\n";

DavResponse failed(DavResponse::Failure failure, const GError* error) {
  DavResponse response;
  response.failure = failure;
  if (error != nullptr) response.message = error->message;
  return response;
}

DavResponse::Failure failure_of(const GError* error) {
  if (error->domain == G_TLS_ERROR) return DavResponse::Failure::kCertificate;
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return DavResponse::Failure::kCancelled;
  }
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
    return DavResponse::Failure::kTimeout;
  }
  return DavResponse::Failure::kNetwork;
}

bool is_dav(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         xmlStrEqual(node->ns->href, reinterpret_cast<const xmlChar*>("DAV:")) != 0 &&
         xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

const xmlNode* find_dav(const xmlNode* node, const char* name) {
  for (; node != nullptr; node = node->next) {
    if (is_dav(node, name)) return node;
    if (const xmlNode* inside = find_dav(node->children, name)) return inside;
  }
  return nullptr;
}

// The getetag of a multistatus answer to a PROPFIND of one resource.
std::string etag_in_multistatus(const std::string& body) {
  const OwnedXmlDoc doc = parse_xml(body.data(), body.size());
  if (!doc) return {};
  const xmlNode* etag = find_dav(xmlDocGetRootElement(doc.get()), "getetag");
  if (etag == nullptr) return {};
  return take_xml_string(xmlNodeGetContent(etag));
}

}  // namespace

bool weak_etag(std::string_view etag) {
  return etag.starts_with("W/");
}

std::string_view etag_value(std::string_view etag) {
  return weak_etag(etag) ? etag.substr(2) : etag;
}

SoupDavClient::SoupDavClient(std::string user, std::string password, GCancellable* cancellable)
    : session_(soup_session_new()), cancellable_(ref_object(cancellable)) {
  soup_session_set_timeout(session_.get(), kDefaultTimeout);
  soup_session_set_idle_timeout(session_.get(), kDefaultTimeout);
  soup_session_set_user_agent(session_.get(), "Kestrivane-sync/1.0");
  std::string credentials = user + ":" + password;
  authorization_ =
      "Basic " + take_string(g_base64_encode(reinterpret_cast<const guchar*>(credentials.data()),
                                             credentials.size()));
  wipe(credentials);
  wipe(password);
}

SoupDavClient::~SoupDavClient() {
  wipe(authorization_);
}

void SoupDavClient::set_timeout(unsigned seconds) {
  soup_session_set_timeout(session_.get(), seconds);
}

DavResponse SoupDavClient::send(const char* method, const std::string& url, std::string_view body,
                                const char* type, const std::string& if_match, bool only_new,
                                bool depth_zero) {
  const ObjectRef<SoupMessage> message(soup_message_new(method, url.c_str()));
  if (!message) {
    DavResponse response;
    response.failure = DavResponse::Failure::kNetwork;
    response.message = "not an address";
    return response;
  }
  // A redirect could take the password elsewhere: it is an answer, not followed.
  soup_message_add_flags(message.get(), SOUP_MESSAGE_NO_REDIRECT);
  SoupMessageHeaders* headers = soup_message_get_request_headers(message.get());
  soup_message_headers_replace(headers, "Authorization", authorization_.c_str());
  soup_message_headers_replace(headers, "Cache-Control", "no-cache");
  if (!if_match.empty()) soup_message_headers_replace(headers, "If-Match", if_match.c_str());
  if (only_new) soup_message_headers_replace(headers, "If-None-Match", "*");
  if (depth_zero) soup_message_headers_replace(headers, "Depth", "0");
  if (type != nullptr) {
    const OwnedBytes bytes(g_bytes_new(body.data(), body.size()));
    soup_message_set_request_body_from_bytes(message.get(), type, bytes.get());
  }
  // Certificates are never accepted past what the system verifies.
  OwnedError error;
  const ObjectRef<GInputStream> stream(
      soup_session_send(session_.get(), message.get(), cancellable_.get(), out(error)));
  if (!stream) return failed(failure_of(error.get()), error.get());

  DavResponse response;
  response.status = static_cast<int>(soup_message_get_status(message.get()));
  SoupMessageHeaders* answer = soup_message_get_response_headers(message.get());
  if (const char* etag = soup_message_headers_get_one(answer, "ETag")) response.etag = etag;
  if (const char* when = soup_message_headers_get_one(answer, "Last-Modified")) {
    response.last_modified = when;
  }
  // Read up to one byte past what a bookmarks file may be.
  char chunk[16384];
  while (true) {
    const gssize got =
        g_input_stream_read(stream.get(), chunk, sizeof chunk, cancellable_.get(), out(error));
    if (got < 0) return failed(failure_of(error.get()), error.get());
    if (got == 0) break;
    response.body.append(chunk, static_cast<std::size_t>(got));
    if (response.body.size() > kMaxBookmarkFileBytes) {
      return failed(DavResponse::Failure::kTooLarge, nullptr);
    }
  }
  g_input_stream_close(stream.get(), nullptr, nullptr);
  return response;
}

DavResponse SoupDavClient::get(const std::string& url) {
  return send("GET", url, {}, nullptr, {}, false);
}

DavResponse SoupDavClient::put(const std::string& url, std::string_view body,
                               const std::string& if_match, bool only_new) {
  return send("PUT", url, body, "application/xml", if_match, only_new);
}

DavResponse SoupDavClient::etag(const std::string& url) {
  DavResponse response = send("PROPFIND", url, kPropfind, "application/xml", {}, false, true);
  if (response.answered() && response.status == 207) {
    response.etag = etag_in_multistatus(response.body);
  }
  return response;
}

DavResponse SoupDavClient::make_folder(const std::string& url) {
  return send("MKCOL", url, {}, nullptr, {}, false);
}

DavResponse SoupDavClient::remove(const std::string& url) {
  return send("DELETE", url, {}, nullptr, {}, false);
}

void SoupDavClient::pause(std::chrono::milliseconds time) {
  // In small steps, so that a cancelled sync ends within one.
  const auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until &&
         !g_cancellable_is_cancelled(cancellable_.get())) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace kv
