#include "addressbook/mailmerge/LibsecretStore.h"

#include <libsecret/secret.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {

using namespace mailmerge;
using Clock = std::chrono::steady_clock;

// How long the bus itself may take to answer Available().
constexpr auto kBusAnswer = std::chrono::milliseconds(1500);
// After a cancel, how long the call may take to come back.
constexpr auto kCancelGrace = std::chrono::seconds(1);

const SecretSchema* Schema() {
  static const SecretSchema* schema = [] {
    static SecretSchema s;
    std::memset(&s, 0, sizeof s);
    s.name = kSecretSchemaName;
    s.flags = SECRET_SCHEMA_NONE;
    s.attributes[0] = {kSecretServerAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {kSecretUserAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return &s;
  }();
  return schema;
}

// A GIO call in flight: its result once it came back. A call given up is
// left to free its own record should it ever come back.
struct Pending {
  GAsyncResult* result = nullptr;
  bool abandoned = false;
};

void OnReady(GObject*, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<Pending*>(data);
  if (pending->abandoned) {
    delete pending;
    return;
  }
  pending->result = G_ASYNC_RESULT(g_object_ref(result));
}

gboolean OnTimeout(gpointer data) {
  *static_cast<bool*>(data) = true;
  return G_SOURCE_REMOVE;
}

// Runs one asynchronous call in a main context of its own until it comes
// back or the time is out; then it is cancelled. The result (to be
// unreferenced by the caller) or null when the time ran out.
template <class Start>
GAsyncResult* RunBounded(std::chrono::milliseconds timeout, Start start) {
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GCancellable* cancellable = g_cancellable_new();
  auto* pending = new Pending;
  start(cancellable, &OnReady, pending);

  auto waitFor = [&](std::chrono::milliseconds limit) {
    bool timedOut = false;
    GSource* timer = g_timeout_source_new(guint(limit.count()));
    g_source_set_callback(timer, &OnTimeout, &timedOut, nullptr);
    g_source_attach(timer, context);
    while (!pending->result && !timedOut) g_main_context_iteration(context, TRUE);
    g_source_destroy(timer);
    g_source_unref(timer);
  };
  waitFor(timeout);
  if (!pending->result) {
    g_cancellable_cancel(cancellable);
    waitFor(std::chrono::duration_cast<std::chrono::milliseconds>(kCancelGrace));
  }
  GAsyncResult* result = pending->result;
  // A cancelled call that came back gave an error; it is of no use.
  if (result && g_cancellable_is_cancelled(cancellable)) {
    g_object_unref(result);
    result = nullptr;
  }
  if (pending->result) {
    delete pending;
  } else {
    pending->abandoned = true;
  }
  g_object_unref(cancellable);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return result;
}

std::string TakeError(GError* error) {
  std::string text = error && error->message ? error->message : "";
  if (error) g_error_free(error);
  return text;
}

// The session bus connection shared with libsecret, which must not end the
// program when the bus goes away. A shared connection that was closed (the
// bus ended since) is let go by libsecret too, so that a fresh one is made.
GDBusConnection* SessionBus(std::chrono::milliseconds timeout) {
  if (SessionBusAddress().empty()) return nullptr;
  for (int attempt = 0; attempt < 2; ++attempt) {
    GAsyncResult* result = RunBounded(timeout, [](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
      g_bus_get(G_BUS_TYPE_SESSION, c, done, data);
    });
    if (!result) return nullptr;
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    g_object_unref(result);
    TakeError(error);
    if (!bus) return nullptr;
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    if (!g_dbus_connection_is_closed(bus)) return bus;
    g_object_unref(bus);
    secret_service_disconnect();
  }
  return nullptr;
}

// A connection of its own to the session bus, for questions to the bus.
GDBusConnection* PrivateSessionBus(const std::string& address, std::chrono::milliseconds timeout) {
  GAsyncResult* result = RunBounded(timeout, [&](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
    g_dbus_connection_new_for_address(
        address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, c, done, data);
  });
  if (!result) return nullptr;
  GError* error = nullptr;
  GDBusConnection* bus = g_dbus_connection_new_for_address_finish(result, &error);
  g_object_unref(result);
  TakeError(error);
  return bus;
}

// A method of the bus itself; its reply, or null.
GVariant* CallBus(GDBusConnection* bus, const char* method, GVariant* parameters, const char* replyType,
                  std::chrono::milliseconds timeout) {
  GAsyncResult* result = RunBounded(timeout, [&](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
    g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
                           parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                           int(timeout.count()), c, done, data);
  });
  if (!result) return nullptr;
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(bus, result, &error);
  g_object_unref(result);
  TakeError(error);
  return reply;
}

// The attributes of an account "<user>@<server>".
GHashTable* Attributes(const std::string& account) {
  size_t at = account.rfind('@');
  std::string user = at == std::string::npos ? account : account.substr(0, at);
  std::string server = at == std::string::npos ? std::string() : account.substr(at + 1);
  GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
  g_hash_table_insert(attributes, g_strdup(kSecretServerAttribute), g_strdup(server.c_str()));
  g_hash_table_insert(attributes, g_strdup(kSecretUserAttribute), g_strdup(user.c_str()));
  return attributes;
}

const char* kNoService = "No secret service runs on the desktop";
const char* kNoAnswer = "The secret service did not answer";

}  // namespace

std::string SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return address;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || *runtime != '/') return {};
  std::string socket = std::string(runtime) + "/bus";
  struct stat info;
  if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return {};
  return "unix:path=" + socket;
}

LibsecretStore::LibsecretStore(std::chrono::milliseconds timeout) : timeout_(timeout) {}

bool LibsecretStore::Available() {
  std::string address = SessionBusAddress();
  if (address.empty()) return false;
  GDBusConnection* bus = PrivateSessionBus(address, kBusAnswer);
  if (!bus) return false;
  bool available = false;
  if (GVariant* owned = CallBus(bus, "NameHasOwner", g_variant_new("(s)", kSecretServiceName), "(b)", kBusAnswer)) {
    gboolean has = FALSE;
    g_variant_get(owned, "(b)", &has);
    g_variant_unref(owned);
    available = has;
  }
  if (!available) {
    if (GVariant* names = CallBus(bus, "ListActivatableNames", nullptr, "(as)", kBusAnswer)) {
      GVariantIter* iter = nullptr;
      g_variant_get(names, "(as)", &iter);
      const char* name = nullptr;
      while (g_variant_iter_next(iter, "&s", &name)) {
        if (std::strcmp(name, kSecretServiceName) == 0) available = true;
      }
      g_variant_iter_free(iter);
      g_variant_unref(names);
    }
  }
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_object_unref(bus);
  return available;
}

Result LibsecretStore::Store(const std::string& account, const std::string& secret) {
  GDBusConnection* bus = SessionBus(timeout_);
  if (!bus) return Result::Fail(kNoService);
  g_object_unref(bus);
  std::string label = "Cardora mail merge: " + account;
  GHashTable* attributes = Attributes(account);
  GAsyncResult* result = RunBounded(timeout_, [&](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
    secret_password_storev(Schema(), attributes, SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(), c, done,
                           data);
  });
  g_hash_table_unref(attributes);
  if (!result) return Result::Fail(kNoAnswer);
  GError* error = nullptr;
  gboolean stored = secret_password_store_finish(result, &error);
  g_object_unref(result);
  std::string why = TakeError(error);
  if (!stored) return Result::Fail("The secret service did not keep the password: " + why);
  return Result::Ok();
}

ResultOf<std::string> LibsecretStore::Lookup(const std::string& account) {
  GDBusConnection* bus = SessionBus(timeout_);
  if (!bus) return Result::Fail(kNoService);
  g_object_unref(bus);
  GHashTable* attributes = Attributes(account);
  GAsyncResult* result = RunBounded(timeout_, [&](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
    secret_password_lookupv(Schema(), attributes, c, done, data);
  });
  g_hash_table_unref(attributes);
  if (!result) return Result::Fail(kNoAnswer);
  GError* error = nullptr;
  gchar* secret = secret_password_lookup_finish(result, &error);
  g_object_unref(result);
  if (error) return Result::Fail("The secret service gave no password: " + TakeError(error));
  std::string value = secret ? secret : "";
  if (secret) secret_password_free(secret);
  return value;
}

Result LibsecretStore::Clear(const std::string& account) {
  GDBusConnection* bus = SessionBus(timeout_);
  if (!bus) return Result::Fail(kNoService);
  g_object_unref(bus);
  GHashTable* attributes = Attributes(account);
  GAsyncResult* result = RunBounded(timeout_, [&](GCancellable* c, GAsyncReadyCallback done, gpointer data) {
    secret_password_clearv(Schema(), attributes, c, done, data);
  });
  g_hash_table_unref(attributes);
  if (!result) return Result::Fail(kNoAnswer);
  GError* error = nullptr;
  secret_password_clear_finish(result, &error);
  g_object_unref(result);
  if (error) return Result::Fail("The secret service did not remove the password: " + TakeError(error));
  return Result::Ok();
}

}  // namespace velmora
