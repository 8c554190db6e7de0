// Desktop notification through libnotify.
#include "notification.h"

#include <libnotify/notify.h>

#include <algorithm>
#include <cstring>

namespace
{
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
} // namespace

bool ShowNewHits(std::size_t count, const std::vector<std::string>& rows, std::string& why)
{
    const guint handler = g_log_set_handler(
        "libnotify", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), Quiet,
        nullptr);
    bool shown = false;
    if (!notify_init("Velunda"))
        why = "libnotify lässt sich nicht starten";
    else
    {
        // A service that reads markup would take "&" or "<" in a row as the
        // start of markup.
        const bool markup = ServerTakesMarkup();
        std::string body;
        for (std::size_t i = 0; i < std::min<std::size_t>(rows.size(), 5); ++i)
        {
            if (i > 0)
                body += '\n';
            if (markup)
            {
                gchar* escaped = g_markup_escape_text(rows[i].c_str(), -1);
                body += escaped;
                g_free(escaped);
            }
            else
                body += rows[i];
        }
        const std::string summary = "Velunda: " + std::to_string(count) + " neue Treffer";
        NotifyNotification* note =
            notify_notification_new(summary.c_str(), body.c_str(), "velunda");
        GError* error = nullptr;
        shown = notify_notification_show(note, &error);
        if (!shown)
            why = error && error->message ? error->message : "keine Antwort";
        if (error)
            g_error_free(error);
        g_object_unref(note);
        notify_uninit();
    }
    g_log_remove_handler("libnotify", handler);
    return shown;
}
