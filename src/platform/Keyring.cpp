#include "platform/Keyring.h"

#include <gio/gio.h>
#include <libsecret/secret.h>

#include <cstdlib>

namespace mailmoat {

namespace {

const SecretSchema* Schema() {
  static const SecretSchema schema = {"org.mailmoat.Password",
                                      SECRET_SCHEMA_DONT_MATCH_NAME,
                                      {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

const char Application[] = "mailmoat";
// A bus call that gets no answer in this time fails; the default of 25 seconds would freeze
// the window or a timed headless run.
constexpr int ProbeTimeoutMs = 3000;

class TSecretServiceKeyring final : public TKeyring {
public:
  bool Available() override {
    if (Probed) return Reachable;
    Probed = true;
    Reachable = Probe();
    return Reachable;
  }

  bool Store(const std::string& kind, const std::string& account, const std::string& secret) override {
    if (!Available()) return false;
    LastError.clear();
    GError* error = nullptr;
    const std::string label = "Mailmoat Pro " + kind + " password for " + account;
    const gboolean ok = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(),
                                                   nullptr, &error, "application", Application, "kind", kind.c_str(),
                                                   "account", account.c_str(), nullptr);
    return Done(ok != FALSE, error);
  }

  std::optional<std::string> Lookup(const std::string& kind, const std::string& account) override {
    if (!Available()) return std::nullopt;
    LastError.clear();
    GError* error = nullptr;
    gchar* found = secret_password_lookup_sync(Schema(), nullptr, &error, "application", Application, "kind",
                                               kind.c_str(), "account", account.c_str(), nullptr);
    if (!Done(error == nullptr, error) || found == nullptr) return std::nullopt;
    std::string secret(found);
    secret_password_free(found);
    return secret;
  }

  bool Clear(const std::string& kind, const std::string& account) override {
    if (!Available()) return false;
    LastError.clear();
    GError* error = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &error, "application", Application, "kind", kind.c_str(), "account",
                               account.c_str(), nullptr);
    return Done(error == nullptr, error);
  }

  std::vector<std::string> Accounts(const std::string& kind) override {
    std::vector<std::string> accounts;
    if (!Available()) return accounts;
    LastError.clear();
    GError* error = nullptr;
    GList* items = secret_password_search_sync(Schema(), SECRET_SEARCH_ALL, nullptr, &error, "application", Application,
                                               "kind", kind.c_str(), nullptr);
    if (!Done(error == nullptr, error)) return accounts;
    for (GList* at = items; at != nullptr; at = at->next) {
      GHashTable* attributes = secret_retrievable_get_attributes(static_cast<SecretRetrievable*>(at->data));
      if (const auto* account = static_cast<const char*>(g_hash_table_lookup(attributes, "account")))
        accounts.emplace_back(account);
      g_hash_table_unref(attributes);
    }
    g_list_free_full(items, g_object_unref);
    return accounts;
  }

private:
  bool Done(bool ok, GError* error) {
    if (error != nullptr) {
      LastError = error->message;
      g_error_free(error);
      return false;
    }
    return ok;
  }

  // Asks the bus, with a bounded wait, whether anyone serves the keyring or can be started to.
  // Without DBUS_SESSION_BUS_ADDRESS GLib would fall back to launching a bus of its own.
  bool Probe() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0') {
      LastError = "there is no desktop session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
      return false;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) return Done(false, error);
    // GLib ends the whole process when its session bus goes away; a keyring that leaves is
    // no reason for the program to.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    bool served = false;
    for (const char* method : {"NameHasOwner", "ListActivatableNames"}) {
      const bool owner = method[0] == 'N';
      GVariant* reply =
          g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                      method, owner ? g_variant_new("(s)", "org.freedesktop.secrets") : nullptr,
                                      nullptr, G_DBUS_CALL_FLAGS_NONE, ProbeTimeoutMs, nullptr, &error);
      if (reply == nullptr) {
        g_object_unref(bus);
        return Done(false, error);
      }
      if (owner) {
        gboolean has = FALSE;
        g_variant_get(reply, "(b)", &has);
        served = has != FALSE;
      } else {
        GVariantIter* names = nullptr;
        g_variant_get(reply, "(as)", &names);
        const gchar* name = nullptr;
        while (g_variant_iter_loop(names, "&s", &name))
          if (g_strcmp0(name, "org.freedesktop.secrets") == 0) served = true;
        g_variant_iter_free(names);
      }
      g_variant_unref(reply);
      if (served) break;
    }
    g_object_unref(bus);
    if (!served) LastError = "no keyring service (org.freedesktop.secrets) runs in this desktop session";
    return served;
  }

  bool Probed = false;
  bool Reachable = false;
};

}  // namespace

std::unique_ptr<TKeyring> MakeSecretServiceKeyring() {
  return std::make_unique<TSecretServiceKeyring>();
}

}  // namespace mailmoat
