// Desktop notifications through libnotify.
#include "notification.h"

#include <libnotify/notify.h>

#include <cstring>

namespace
{
const char kNotShown[] = "Warnung: Die Benachrichtigung ließ sich nicht zeigen, ";

// libnotify warns on standard error by itself when the service is missing;
// the program says so in its own words instead.
void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer)
{}

bool ServerTakesMarkup()
{
    GList* caps = notify_get_server_caps();
    bool markup = false;
    for (GList* cap = caps; cap; cap = cap->next)
        markup = markup || std::strcmp(static_cast<const char*>(cap->data), "body-markup") == 0;
    g_list_free_full(caps, g_free);
    return markup;
}

// The warning for a notification that was not shown. Without a session bus,
// or without a service on it, GLib's reason is English and says nothing the
// German sentence does not; a service that answered with an error keeps its
// own words.
std::string NotShownWarning(const GError* error)
{
    const bool unreachable = !error || error->domain == G_IO_ERROR ||
                             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
                             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) ||
                             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMEOUT) ||
                             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMED_OUT);
    if (unreachable)
        return std::string(kNotShown) +
               "weil kein Benachrichtigungsdienst erreichbar ist. Benachrichtigungen gibt es nur "
               "in einer laufenden Desktop-Sitzung, etwa über den Timer velunda-suche.timer.";
    return std::string(kNotShown) + "weil der Benachrichtigungsdienst sie ablehnte (" +
           error->message + ").";
}

// Shows summary with the lines as its body; false, with the warning, when it
// could not be shown.
bool Show(const std::string& summary, const std::vector<std::string>& lines, std::string& warning)
{
    const guint handler = g_log_set_handler(
        "libnotify", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), Quiet,
        nullptr);
    bool shown = false;
    if (!notify_init("Velunda"))
        warning = std::string(kNotShown) + "weil libnotify sich nicht starten lässt.";
    else
    {
        // A service that reads markup would take "&" or "<" in a line as the
        // start of markup.
        const bool markup = ServerTakesMarkup();
        std::string body;
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            if (i > 0)
                body += '\n';
            if (markup)
            {
                gchar* escaped = g_markup_escape_text(lines[i].c_str(), -1);
                body += escaped;
                g_free(escaped);
            }
            else
                body += lines[i];
        }
        NotifyNotification* note =
            notify_notification_new(summary.c_str(), body.c_str(), "velunda");
        GError* error = nullptr;
        shown = notify_notification_show(note, &error);
        if (!shown)
            warning = NotShownWarning(error);
        if (error)
            g_error_free(error);
        g_object_unref(note);
        notify_uninit();
    }
    g_log_remove_handler("libnotify", handler);
    return shown;
}
} // namespace

bool ShowNewHits(std::size_t count, const std::vector<std::string>& rows, std::string& warning)
{
    const std::vector<std::string> firstRows(rows.begin(),
                                             rows.size() > 5 ? rows.begin() + 5 : rows.end());
    return Show("Velunda: " + std::to_string(count) + " neue Treffer", firstRows, warning);
}

bool ShowFailure(const std::string& error, std::string& warning)
{
    return Show("Velunda: Suche fehlgeschlagen", {error}, warning);
}
