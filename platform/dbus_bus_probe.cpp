#include "platform/dbus_bus_probe.h"

#include <gio/gio.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace vardo {

namespace {

// The state of one connection attempt, shared with GLib's callback, which may come
// after the wait has given up on it (or never).
struct Attempt {
    bool done = false;
    std::optional<std::string> failure;
};

void connected(GObject *, GAsyncResult *result, gpointer data)
{
    auto *attempt = static_cast<std::shared_ptr<Attempt> *>(data);
    GError *error = nullptr;
    GDBusConnection *connection = g_dbus_connection_new_for_address_finish(result, &error);
    if (connection) {
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        g_object_unref(connection);
    } else {
        (*attempt)->failure = error && error->message ? error->message : "the connection failed";
        if (error)
            g_error_free(error);
    }
    (*attempt)->done = true;
    delete attempt;
}

gboolean wakeUp(gpointer data)
{
    *static_cast<bool *>(data) = true;
    return G_SOURCE_REMOVE;
}

std::string seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

// What became of each address asked about: a bus that answered is not probed again (the
// secret store asks before each call), nor is one that kept silent, which would cost
// the whole wait each time. A bus that refused at once is asked again: it may have come
// up since.
std::mutex knownMutex;
std::map<std::string, std::optional<std::string>> &known()
{
    static std::map<std::string, std::optional<std::string>> addresses;
    return addresses;
}

} // namespace

std::optional<std::string> busAtAddressUnanswered(const std::string &address, int timeoutMs)
{
    {
        std::lock_guard lock(knownMutex);
        if (const auto it = known().find(address); it != known().end())
            return it->second;
    }
    // A context of our own, so that nothing else of the caller's runs while we wait.
    GMainContext *context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GCancellable *cancellable = g_cancellable_new();
    auto attempt = std::make_shared<Attempt>();
    g_dbus_connection_new_for_address(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                                          | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable, connected, new std::shared_ptr<Attempt>(attempt));

    bool timedOut = false;
    GSource *deadline = g_timeout_source_new(static_cast<guint>(timeoutMs));
    g_source_set_callback(deadline, wakeUp, &timedOut, nullptr);
    g_source_attach(deadline, context);
    while (!attempt->done && !timedOut)
        g_main_context_iteration(context, TRUE);
    g_source_destroy(deadline);
    g_source_unref(deadline);

    if (!attempt->done) {
        // Cancelling ends a stalled connect or authentication at once; a Hello that is
        // never answered is not cancellable, so the attempt is left to finish (or not)
        // on its own after a short grace.
        g_cancellable_cancel(cancellable);
        bool graceOver = false;
        GSource *grace = g_timeout_source_new(200);
        g_source_set_callback(grace, wakeUp, &graceOver, nullptr);
        g_source_attach(grace, context);
        while (!attempt->done && !graceOver)
            g_main_context_iteration(context, TRUE);
        g_source_destroy(grace);
        g_source_unref(grace);
    }
    g_main_context_pop_thread_default(context);
    g_object_unref(cancellable);
    g_main_context_unref(context);

    if (attempt->done && !attempt->failure) {
        std::lock_guard lock(knownMutex);
        known()[address] = std::nullopt;
        return std::nullopt;
    }
    if (!timedOut)
        return attempt->failure;
    std::string silent = "the bus at " + address + " did not answer within " + seconds(timeoutMs) + " s";
    std::lock_guard lock(knownMutex);
    known()[address] = silent;
    return silent;
}

std::optional<std::string> busUnanswered(Bus bus, int timeoutMs)
{
    GError *error = nullptr;
    gchar *address = g_dbus_address_get_for_bus_sync(bus == Bus::system ? G_BUS_TYPE_SYSTEM : G_BUS_TYPE_SESSION,
                                                     nullptr, &error);
    if (!address) {
        std::string reason = error && error->message ? error->message : "no address for the bus";
        if (error)
            g_error_free(error);
        return reason;
    }
    auto reason = busAtAddressUnanswered(address, timeoutMs);
    g_free(address);
    return reason;
}

} // namespace vardo
