// A stand-in for the desktop's notification service, for tests on a private
// session bus: owns org.freedesktop.Notifications, prints "ready" once it
// does, then one line for every Notify call ("icon|summary|body", the body's
// line feeds as "\n"), and answers as a real service would. It announces
// "body-markup" among its capabilities unless started with --no-markup.
#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const char kInterface[] =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/>"
    "<arg type='i' direction='in'/><arg type='u' direction='out'/></method>"
    "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
    "<method name='GetServerInformation'><arg type='s' direction='out'/>"
    "<arg type='s' direction='out'/><arg type='s' direction='out'/>"
    "<arg type='s' direction='out'/></method>"
    "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
    "</interface></node>";

void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer markup)
{
    const std::string name = method;
    if (name == "Notify")
    {
        const gchar* icon = nullptr;
        const gchar* summary = nullptr;
        const gchar* body = nullptr;
        g_variant_get_child(parameters, 2, "&s", &icon);
        g_variant_get_child(parameters, 3, "&s", &summary);
        g_variant_get_child(parameters, 4, "&s", &body);
        std::string line = std::string(icon) + "|" + summary + "|";
        for (const char* c = body; *c; ++c)
            line += *c == '\n' ? std::string("\\n") : std::string(1, *c);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1u));
    }
    else if (name == "GetCapabilities")
    {
        const bool withMarkup = *static_cast<const bool*>(markup);
        const gchar* caps[] = {"body", withMarkup ? "body-markup" : nullptr, nullptr};
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", caps));
    }
    else if (name == "GetServerInformation")
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(ssss)", "fake", "velunda-tests", "1.0", "1.2"));
    else
        g_dbus_method_invocation_return_value(invocation, nullptr);
}

void OnBus(GDBusConnection* connection, const gchar*, gpointer markup)
{
    static const GDBusInterfaceVTable vtable = {OnCall, nullptr, nullptr, {}};
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications",
                                      node->interfaces[0], &vtable, markup, nullptr, nullptr);
    g_dbus_node_info_unref(node);
}

void OnName(GDBusConnection*, const gchar*, gpointer)
{
    std::printf("ready\n");
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    bool markup = !(argc > 1 && std::strcmp(argv[1], "--no-markup") == 0);
    g_bus_own_name(G_BUS_TYPE_SESSION, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
                   OnBus, OnName, nullptr, &markup, nullptr);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);
    return 0;
}
