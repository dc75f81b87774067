// The StatusNotifierItem over libdbus, driven from the frame loop. The connection is opened
// without libdbus's blocking registration: Hello, the match rule and every request are queued
// and written by the poll, so a bus that never answers costs nothing but a missing tray.
#include <dbus/dbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "app/tray_dbus.h"

static const char BUS_NAME[] = "org.freedesktop.DBus";
static const char BUS_PATH[] = "/org/freedesktop/DBus";
static const char PROPERTIES[] = "org.freedesktop.DBus.Properties";
static const char WATCHER_NAME[] = "org.kde.StatusNotifierWatcher";
static const char WATCHER_PATH[] = "/StatusNotifierWatcher";
static const char ITEM_INTERFACE[] = "org.kde.StatusNotifierItem";
static const char ITEM_PATH[] = "/StatusNotifierItem";
static const char MENU_INTERFACE[] = "com.canonical.dbusmenu";
static const char MENU_PATH[] = "/MenuBar";
static const char WATCHER_MATCH[] =
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.kde.StatusNotifierWatcher'";
// A bus that has not said within this time whether a watcher runs is taken to have none.
static const i64 k_answer_wait_ms = 5000;  // only a bus that never answers waits this long
static const u32 k_stop_flush_rounds = 20;
static const u32 k_menu_revision = 1;

enum { MENU_ROOT = 0, MENU_EXIT = 1, MENU_OPEN = 2 };

struct TrayMenuItem {
    i32 id;
    const char* label;
};
static const TrayMenuItem k_menu[] = {{MENU_EXIT, "Exit"}, {MENU_OPEN, "Open"}};

static const char* const k_item_properties[] = {"Category", "Id",       "Title",     "Status",     "WindowId",
                                                "IconName", "IconPixmap", "ToolTip", "ItemIsMenu", "Menu"};
static const char* const k_menu_object_properties[] = {"Version", "TextDirection", "Status", "IconThemePath"};
static const char* const k_root_properties[] = {"children-display"};
static const char* const k_entry_properties[] = {"type", "label", "enabled", "visible"};

// For tools and hosts that look before they call.
static const char k_item_introspection[] =
    DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<method name='Activate'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='ContextMenu'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='Scroll'><arg type='i' direction='in'/><arg type='s' direction='in'/></method>"
    "<property name='Category' type='s' access='read'/><property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/><property name='Status' type='s' access='read'/>"
    "<property name='WindowId' type='i' access='read'/><property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/><property name='Menu' type='o' access='read'/>"
    "</interface></node>";
static const char k_menu_introspection[] =
    DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE
    "<node><interface name='com.canonical.dbusmenu'>"
    "<method name='GetLayout'><arg type='i' direction='in'/><arg type='i' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='u' direction='out'/><arg type='(ia{sv}av)' direction='out'/></method>"
    "<method name='GetGroupProperties'><arg type='ai' direction='in'/><arg type='as' direction='in'/>"
    "<arg type='a(ia{sv})' direction='out'/></method>"
    "<method name='GetProperty'><arg type='i' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='v' direction='out'/></method>"
    "<method name='Event'><arg type='i' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='v' direction='in'/><arg type='u' direction='in'/></method>"
    "<method name='EventGroup'><arg type='a(isvu)' direction='in'/><arg type='ai' direction='out'/></method>"
    "<method name='AboutToShow'><arg type='i' direction='in'/><arg type='b' direction='out'/></method>"
    "<method name='AboutToShowGroup'><arg type='ai' direction='in'/><arg type='ai' direction='out'/>"
    "<arg type='ai' direction='out'/></method>"
    "<signal name='LayoutUpdated'><arg type='u'/><arg type='i'/></signal>"
    "<signal name='ItemsPropertiesUpdated'><arg type='a(ia{sv})'/><arg type='a(ias)'/></signal>"
    "<property name='Version' type='u' access='read'/><property name='TextDirection' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/><property name='IconThemePath' type='as' access='read'/>"
    "</interface></node>";

// The item's state, shared by the frame loop and the bus filter (which gets it as its user pointer).
struct TrayDbus {
    DBusConnection* bus;
    TrayDbusWatcher watcher;
    dbus_uint32_t watcher_query;  // the serial of NameHasOwner, whose answer settles the watcher
    i64 first_poll_ms;  // 0 until the frame loop first polls
    bool wanted, name_owned;
    u32 events;  // TrayDbusEvent bits since the last poll
    char item_name[64];
    const TrayDbusIcon* icons;
    u32 icon_count;
};

static TrayDbus g_tray = {.watcher = TRAY_DBUS_WATCHER_ABSENT};

static i64 now_ms() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (i64)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

static dbus_uint32_t bus_send(TrayDbus* tray, DBusMessage* message) {
    dbus_uint32_t serial = 0;
    if (!message) return 0;
    dbus_connection_send(tray->bus, message, &serial);
    dbus_message_unref(message);
    return serial;
}

static DBusMessage* bus_call(const char* member) {
    return dbus_message_new_method_call(BUS_NAME, BUS_PATH, BUS_NAME, member);
}

static void item_register(TrayDbus* tray) {
    if (!tray->name_owned) {
        DBusMessage* request = bus_call("RequestName");
        const char* name = tray->item_name;
        dbus_uint32_t flags = DBUS_NAME_FLAG_DO_NOT_QUEUE;
        dbus_message_append_args(request, DBUS_TYPE_STRING, &name, DBUS_TYPE_UINT32, &flags, DBUS_TYPE_INVALID);
        bus_send(tray, request);
        tray->name_owned = true;
    }
    // Queued behind RequestName, so the watcher finds the name owned when it looks.
    DBusMessage* call =
        dbus_message_new_method_call(WATCHER_NAME, WATCHER_PATH, WATCHER_NAME, "RegisterStatusNotifierItem");
    const char* name = tray->item_name;
    dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(call, TRUE);
    bus_send(tray, call);
}

static void item_withdraw(TrayDbus* tray) {
    if (!tray->name_owned || !tray->bus) return;
    DBusMessage* release = bus_call("ReleaseName");
    const char* name = tray->item_name;
    dbus_message_append_args(release, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    bus_send(tray, release);
    tray->name_owned = false;
}

static void watcher_set(TrayDbus* tray, TrayDbusWatcher state) {
    TrayDbusWatcher before = tray->watcher;
    tray->watcher = state;
    if (state == TRAY_DBUS_WATCHER_PRESENT) {
        // A new owner is a restarted panel: it knows no items.
        if (tray->wanted) item_register(tray);
    } else if (before == TRAY_DBUS_WATCHER_UNKNOWN && tray->wanted) {
        // A watcher that goes away is usually restarting; one that never was will not come.
        tray->events |= TRAY_DBUS_NO_TRAY;
        tray->wanted = false;
    }
}

//-----------------------------------------------------------------------------
// Values
//-----------------------------------------------------------------------------

static void put_string(DBusMessageIter* it, const char* text) {
    dbus_message_iter_append_basic(it, DBUS_TYPE_STRING, &text);
}

static void put_variant(DBusMessageIter* it, int type, const char* signature, const void* value) {
    DBusMessageIter variant;
    dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, signature, &variant);
    dbus_message_iter_append_basic(&variant, type, value);
    dbus_message_iter_close_container(it, &variant);
}

static void put_variant_string(DBusMessageIter* it, const char* text) {
    put_variant(it, DBUS_TYPE_STRING, "s", &text);
}

static void put_variant_bool(DBusMessageIter* it, bool value) {
    dbus_bool_t b = value ? TRUE : FALSE;
    put_variant(it, DBUS_TYPE_BOOLEAN, "b", &b);
}

static void put_pixmaps(const TrayDbus* tray, DBusMessageIter* it) {
    DBusMessageIter array;
    dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "(iiay)", &array);
    for (u32 i = 0; i < tray->icon_count; i++) {
        DBusMessageIter entry, bytes;
        dbus_int32_t side = (dbus_int32_t)tray->icons[i].size;
        dbus_message_iter_open_container(&array, DBUS_TYPE_STRUCT, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_INT32, &side);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_INT32, &side);
        dbus_message_iter_open_container(&entry, DBUS_TYPE_ARRAY, "y", &bytes);
        const u8* pixels = tray->icons[i].argb;
        dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &pixels, (int)(side * side * 4));
        dbus_message_iter_close_container(&entry, &bytes);
        dbus_message_iter_close_container(&array, &entry);
    }
    dbus_message_iter_close_container(it, &array);
}

// One property of the item as a variant; false when there is none of that name.
static bool put_item_property(const TrayDbus* tray, DBusMessageIter* it, const char* name) {
    DBusMessageIter variant;
    if (!strcmp(name, "Category")) put_variant_string(it, "ApplicationStatus");
    else if (!strcmp(name, "Id")) put_variant_string(it, "korvane");
    else if (!strcmp(name, "Title")) put_variant_string(it, "Korvane");
    else if (!strcmp(name, "Status")) put_variant_string(it, "Active");
    else if (!strcmp(name, "IconName")) put_variant_string(it, "");
    else if (!strcmp(name, "ItemIsMenu")) put_variant_bool(it, false);
    else if (!strcmp(name, "WindowId")) {
        dbus_int32_t zero = 0;
        put_variant(it, DBUS_TYPE_INT32, "i", &zero);
    } else if (!strcmp(name, "Menu")) {
        const char* path = MENU_PATH;
        put_variant(it, DBUS_TYPE_OBJECT_PATH, "o", &path);
    } else if (!strcmp(name, "IconPixmap")) {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "a(iiay)", &variant);
        put_pixmaps(tray, &variant);
        dbus_message_iter_close_container(it, &variant);
    } else if (!strcmp(name, "ToolTip")) {
        DBusMessageIter tip, none;
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "(sa(iiay)ss)", &variant);
        dbus_message_iter_open_container(&variant, DBUS_TYPE_STRUCT, nullptr, &tip);
        put_string(&tip, "");
        dbus_message_iter_open_container(&tip, DBUS_TYPE_ARRAY, "(iiay)", &none);
        dbus_message_iter_close_container(&tip, &none);
        put_string(&tip, "Korvane");
        put_string(&tip, "");
        dbus_message_iter_close_container(&variant, &tip);
        dbus_message_iter_close_container(it, &variant);
    } else {
        return false;
    }
    return true;
}

static bool put_menu_object_property(DBusMessageIter* it, const char* name) {
    DBusMessageIter variant, paths;
    if (!strcmp(name, "Version")) {
        dbus_uint32_t version = 3;
        put_variant(it, DBUS_TYPE_UINT32, "u", &version);
    } else if (!strcmp(name, "TextDirection")) put_variant_string(it, "ltr");
    else if (!strcmp(name, "Status")) put_variant_string(it, "normal");
    else if (!strcmp(name, "IconThemePath")) {
        dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, "as", &variant);
        dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "s", &paths);
        dbus_message_iter_close_container(&variant, &paths);
        dbus_message_iter_close_container(it, &variant);
    } else {
        return false;
    }
    return true;
}

static const TrayMenuItem* menu_find(i32 id) {
    for (const TrayMenuItem& item : k_menu)
        if (item.id == id) return &item;
    return nullptr;
}

static bool put_menu_entry_property(DBusMessageIter* it, i32 id, const char* name) {
    if (id == MENU_ROOT) {
        if (strcmp(name, "children-display")) return false;
        put_variant_string(it, "submenu");
        return true;
    }
    const TrayMenuItem* item = menu_find(id);
    if (!item) return false;
    if (!strcmp(name, "type")) put_variant_string(it, "standard");
    else if (!strcmp(name, "label")) put_variant_string(it, item->label);
    else if (!strcmp(name, "enabled") || !strcmp(name, "visible")) put_variant_bool(it, true);
    else return false;
    return true;
}

// a{sv} of every property named, each written by `put` (with `id` for menu entries).
template <typename Put>
static void put_dictionary(DBusMessageIter* it, const char* const* names, u32 count, Put put) {
    DBusMessageIter dictionary, entry;
    dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{sv}", &dictionary);
    for (u32 i = 0; i < count; i++) {
        dbus_message_iter_open_container(&dictionary, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        put_string(&entry, names[i]);
        put(&entry, names[i]);
        dbus_message_iter_close_container(&dictionary, &entry);
    }
    dbus_message_iter_close_container(it, &dictionary);
}

static void put_menu_entry_properties(DBusMessageIter* it, i32 id) {
    auto put = [id](DBusMessageIter* entry, const char* name) { put_menu_entry_property(entry, id, name); };
    if (id == MENU_ROOT) put_dictionary(it, k_root_properties, 1, put);
    else put_dictionary(it, k_entry_properties, sizeof k_entry_properties / sizeof *k_entry_properties, put);
}

// (ia{sv}av): the entry and, below the root while depth allows (-1: all), its children.
static void put_layout(DBusMessageIter* it, i32 id, i32 depth) {
    DBusMessageIter node, children, child;
    dbus_message_iter_open_container(it, DBUS_TYPE_STRUCT, nullptr, &node);
    dbus_message_iter_append_basic(&node, DBUS_TYPE_INT32, &id);
    put_menu_entry_properties(&node, id);
    dbus_message_iter_open_container(&node, DBUS_TYPE_ARRAY, "v", &children);
    if (id == MENU_ROOT && depth != 0) {
        for (const TrayMenuItem& item : k_menu) {
            dbus_message_iter_open_container(&children, DBUS_TYPE_VARIANT, "(ia{sv}av)", &child);
            put_layout(&child, item.id, depth - 1);
            dbus_message_iter_close_container(&children, &child);
        }
    }
    dbus_message_iter_close_container(&node, &children);
    dbus_message_iter_close_container(it, &node);
}

//-----------------------------------------------------------------------------
// Calls from the host
//-----------------------------------------------------------------------------

static void reply_error(TrayDbus* tray, DBusMessage* call, const char* name, const char* text) {
    bus_send(tray, dbus_message_new_error(call, name, text));
}

static void menu_event(TrayDbus* tray, i32 id, const char* event) {
    if (strcmp(event, "clicked")) return;
    if (id == MENU_EXIT) tray->events |= TRAY_DBUS_EXIT;
    else if (id == MENU_OPEN) tray->events |= TRAY_DBUS_ACTIVATE;
}

// Event(i s v u) and each (isvu) of EventGroup: the id and event name lead.
static void menu_event_from(TrayDbus* tray, DBusMessageIter* it) {
    dbus_int32_t id = 0;
    const char* event = "";
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_INT32) return;
    dbus_message_iter_get_basic(it, &id);
    if (!dbus_message_iter_next(it) || dbus_message_iter_get_arg_type(it) != DBUS_TYPE_STRING) return;
    dbus_message_iter_get_basic(it, &event);
    menu_event(tray, id, event);
}

static void on_properties(TrayDbus* tray, DBusMessage* call, DBusMessage* reply, DBusMessageIter* out, bool item) {
    const char* member = dbus_message_get_member(call);
    const char *interface = "", *name = "";
    bool get = !strcmp(member, "Get");
    if (get ? !dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                     DBUS_TYPE_INVALID)
            : (strcmp(member, "GetAll") ||
               !dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID))) {
        reply_error(tray, call, DBUS_ERROR_INVALID_ARGS, "Only Get and GetAll; the properties are read-only.");
        return;
    }
    bool known = !strcmp(interface, item ? ITEM_INTERFACE : MENU_INTERFACE);
    auto put = [tray, item](DBusMessageIter* it, const char* property) {
        return item ? put_item_property(tray, it, property) : put_menu_object_property(it, property);
    };
    if (get) {
        // Probed on a scratch message: an unknown name must not leave half a reply.
        DBusMessage* probe = dbus_message_new_method_return(call);
        DBusMessageIter probe_it;
        dbus_message_iter_init_append(probe, &probe_it);
        bool found = known && put(&probe_it, name);
        dbus_message_unref(probe);
        if (!found) {
            reply_error(tray, call, DBUS_ERROR_UNKNOWN_PROPERTY, name);
            return;
        }
        put(out, name);
    } else if (item) {
        put_dictionary(out, k_item_properties, known ? sizeof k_item_properties / sizeof *k_item_properties : 0,
                       put);
    } else {
        put_dictionary(out, k_menu_object_properties,
                       known ? sizeof k_menu_object_properties / sizeof *k_menu_object_properties : 0, put);
    }
    bus_send(tray, dbus_message_ref(reply));
}

static void on_menu(TrayDbus* tray, DBusMessage* call, DBusMessage* reply, DBusMessageIter* out) {
    const char* member = dbus_message_get_member(call);
    DBusMessageIter in, inner;
    dbus_message_iter_init(call, &in);
    if (!strcmp(member, "GetLayout")) {
        // Every entry carries all its properties, whichever names are asked for.
        dbus_int32_t parent = 0, depth = -1;
        char** names = nullptr;
        int name_count = 0;
        bool parsed = dbus_message_get_args(call, nullptr, DBUS_TYPE_INT32, &parent, DBUS_TYPE_INT32, &depth,
                                            DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &names, &name_count, DBUS_TYPE_INVALID);
        if (parsed) dbus_free_string_array(names);
        if (!parsed || (parent != MENU_ROOT && !menu_find(parent))) {
            reply_error(tray, call, DBUS_ERROR_INVALID_ARGS, "No such menu entry.");
            return;
        }
        dbus_uint32_t revision = k_menu_revision;
        dbus_message_iter_append_basic(out, DBUS_TYPE_UINT32, &revision);
        put_layout(out, parent, depth);
    } else if (!strcmp(member, "Event")) {
        menu_event_from(tray, &in);
    } else if (!strcmp(member, "EventGroup")) {
        if (dbus_message_iter_get_arg_type(&in) == DBUS_TYPE_ARRAY) {
            dbus_message_iter_recurse(&in, &inner);
            for (; dbus_message_iter_get_arg_type(&inner) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&inner)) {
                DBusMessageIter event;
                dbus_message_iter_recurse(&inner, &event);
                menu_event_from(tray, &event);
            }
        }
        DBusMessageIter none;
        dbus_message_iter_open_container(out, DBUS_TYPE_ARRAY, "i", &none);
        dbus_message_iter_close_container(out, &none);
    } else if (!strcmp(member, "GetGroupProperties")) {
        // a(ia{sv}) of the ids asked for; none asked means every entry.
        DBusMessageIter list, group;
        i32 ids[3] = {MENU_ROOT, MENU_EXIT, MENU_OPEN};
        u32 count = 0;
        if (dbus_message_iter_get_arg_type(&in) == DBUS_TYPE_ARRAY) {
            dbus_message_iter_recurse(&in, &inner);
            for (; dbus_message_iter_get_arg_type(&inner) == DBUS_TYPE_INT32; dbus_message_iter_next(&inner)) {
                dbus_int32_t id;
                dbus_message_iter_get_basic(&inner, &id);
                if ((id == MENU_ROOT || menu_find(id)) && count < 3) ids[count++] = id;
            }
        }
        if (count == 0) count = 3;
        dbus_message_iter_open_container(out, DBUS_TYPE_ARRAY, "(ia{sv})", &list);
        for (u32 i = 0; i < count; i++) {
            dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &group);
            dbus_message_iter_append_basic(&group, DBUS_TYPE_INT32, &ids[i]);
            put_menu_entry_properties(&group, ids[i]);
            dbus_message_iter_close_container(&list, &group);
        }
        dbus_message_iter_close_container(out, &list);
    } else if (!strcmp(member, "GetProperty")) {
        dbus_int32_t id = 0;
        const char* name = "";
        DBusMessage* probe = dbus_message_new_method_return(call);
        DBusMessageIter probe_it;
        dbus_message_iter_init_append(probe, &probe_it);
        bool found = dbus_message_get_args(call, nullptr, DBUS_TYPE_INT32, &id, DBUS_TYPE_STRING, &name,
                                           DBUS_TYPE_INVALID) &&
                     put_menu_entry_property(&probe_it, id, name);
        dbus_message_unref(probe);
        if (!found) {
            reply_error(tray, call, DBUS_ERROR_INVALID_ARGS, "No such menu entry or property.");
            return;
        }
        put_menu_entry_property(out, id, name);
    } else if (!strcmp(member, "AboutToShow")) {
        dbus_bool_t update = FALSE;  // the menu never changes
        dbus_message_iter_append_basic(out, DBUS_TYPE_BOOLEAN, &update);
    } else if (!strcmp(member, "AboutToShowGroup")) {
        DBusMessageIter none;
        for (int i = 0; i < 2; i++) {
            dbus_message_iter_open_container(out, DBUS_TYPE_ARRAY, "i", &none);
            dbus_message_iter_close_container(out, &none);
        }
    } else {
        reply_error(tray, call, DBUS_ERROR_UNKNOWN_METHOD, member);
        return;
    }
    bus_send(tray, dbus_message_ref(reply));
}

static void on_call(TrayDbus* tray, DBusMessage* call) {
    const char* path = dbus_message_get_path(call);
    const char* interface = dbus_message_get_interface(call);
    const char* member = dbus_message_get_member(call);
    if (!path || !member) return;
    bool item = !strcmp(path, ITEM_PATH), menu = !strcmp(path, MENU_PATH);
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter out;
    dbus_message_iter_init_append(reply, &out);
    if ((item || menu) && interface && !strcmp(interface, DBUS_INTERFACE_INTROSPECTABLE) &&
        !strcmp(member, "Introspect")) {
        const char* xml = item ? k_item_introspection : k_menu_introspection;
        dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &xml);
        bus_send(tray, dbus_message_ref(reply));
    } else if ((item || menu) && interface && !strcmp(interface, PROPERTIES)) {
        on_properties(tray, call, reply, &out, item);
    } else if (menu && (!interface || !strcmp(interface, MENU_INTERFACE))) {
        on_menu(tray, call, reply, &out);
    } else if (item && (!interface || !strcmp(interface, ITEM_INTERFACE)) &&
               (!strcmp(member, "Activate") || !strcmp(member, "SecondaryActivate") ||
                !strcmp(member, "ContextMenu") || !strcmp(member, "Scroll"))) {
        // The menu is the host's to show; a middle click or the wheel does nothing.
        if (!strcmp(member, "Activate")) tray->events |= TRAY_DBUS_ACTIVATE;
        bus_send(tray, dbus_message_ref(reply));
    } else {
        reply_error(tray, call, DBUS_ERROR_UNKNOWN_METHOD, member);
    }
    dbus_message_unref(reply);
}

static DBusHandlerResult on_message(DBusConnection*, DBusMessage* message, void* user) {
    TrayDbus* tray = (TrayDbus*)user;
    int type = dbus_message_get_type(message);
    if (type == DBUS_MESSAGE_TYPE_METHOD_RETURN || type == DBUS_MESSAGE_TYPE_ERROR) {
        if (tray->watcher == TRAY_DBUS_WATCHER_UNKNOWN &&
            dbus_message_get_reply_serial(message) == tray->watcher_query) {
            dbus_bool_t owned = FALSE;
            bool answered = type == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
                            dbus_message_get_args(message, nullptr, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID);
            watcher_set(tray, answered && owned ? TRAY_DBUS_WATCHER_PRESENT : TRAY_DBUS_WATCHER_ABSENT);
        }
    } else if (dbus_message_is_signal(message, BUS_NAME, "NameOwnerChanged")) {
        const char *name = "", *before = "", *after = "";
        if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &before,
                                  DBUS_TYPE_STRING, &after, DBUS_TYPE_INVALID) &&
            !strcmp(name, WATCHER_NAME))
            watcher_set(tray, after[0] ? TRAY_DBUS_WATCHER_PRESENT : TRAY_DBUS_WATCHER_ABSENT);
    } else if (type == DBUS_MESSAGE_TYPE_METHOD_CALL) {
        on_call(tray, message);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

//-----------------------------------------------------------------------------
// Connection
//-----------------------------------------------------------------------------

bool tray_dbus_start(const TrayDbusIcon* icons, u32 icon_count) {
    TrayDbus* tray = &g_tray;
    tray->icons = icons;
    tray->icon_count = icon_count;
    tray->watcher = TRAY_DBUS_WATCHER_ABSENT;
    snprintf(tray->item_name, sizeof tray->item_name, "%s-%d-1", ITEM_INTERFACE, (int)getpid());
    // libdbus's own default would autolaunch a bus, where no panel could be listening.
    char address[4096];
    const char* given = getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (given && given[0]) snprintf(address, sizeof address, "%s", given);
    else if (runtime && runtime[0] == '/') snprintf(address, sizeof address, "unix:path=%s/bus", runtime);
    else return false;
    DBusError error;
    dbus_error_init(&error);
    tray->bus = dbus_connection_open_private(address, &error);
    dbus_error_free(&error);
    if (!tray->bus) return false;
    dbus_connection_set_exit_on_disconnect(tray->bus, FALSE);
    dbus_connection_add_filter(tray->bus, on_message, tray, nullptr);
    bus_send(tray, bus_call("Hello"));
    DBusMessage* match = bus_call("AddMatch");
    const char* rule = WATCHER_MATCH;
    dbus_message_append_args(match, DBUS_TYPE_STRING, &rule, DBUS_TYPE_INVALID);
    bus_send(tray, match);
    DBusMessage* query = bus_call("NameHasOwner");
    const char* watcher = WATCHER_NAME;
    dbus_message_append_args(query, DBUS_TYPE_STRING, &watcher, DBUS_TYPE_INVALID);
    tray->watcher_query = bus_send(tray, query);
    tray->first_poll_ms = 0;
    tray->watcher = TRAY_DBUS_WATCHER_UNKNOWN;
    dbus_connection_read_write(tray->bus, 0);
    return true;
}

TrayDbusWatcher tray_dbus_watcher() { return g_tray.watcher; }

void tray_dbus_set_shown(bool shown) {
    TrayDbus* tray = &g_tray;
    tray->wanted = shown;
    if (!shown) item_withdraw(tray);
    else if (tray->watcher == TRAY_DBUS_WATCHER_PRESENT) item_register(tray);
    else if (tray->watcher == TRAY_DBUS_WATCHER_ABSENT) {
        tray->events |= TRAY_DBUS_NO_TRAY;
        tray->wanted = false;
    }
    if (tray->bus) dbus_connection_read_write(tray->bus, 0);
}

static void bus_drop(TrayDbus* tray) {
    dbus_connection_close(tray->bus);
    dbus_connection_unref(tray->bus);
    tray->bus = nullptr;
    tray->name_owned = false;
}

u32 tray_dbus_poll() {
    TrayDbus* tray = &g_tray;
    if (tray->bus) {
        dbus_connection_read_write(tray->bus, 0);
        while (dbus_connection_dispatch(tray->bus) == DBUS_DISPATCH_DATA_REMAINS) {
        }
        // The answers just queued go out now, not a frame later.
        dbus_connection_read_write(tray->bus, 0);
        if (!dbus_connection_get_is_connected(tray->bus)) {
            bus_drop(tray);
            // Without a bus no item can come back: like a watcher that never was.
            tray->watcher = TRAY_DBUS_WATCHER_UNKNOWN;
            watcher_set(tray, TRAY_DBUS_WATCHER_ABSENT);
        } else if (tray->watcher == TRAY_DBUS_WATCHER_UNKNOWN) {
            // The answer moves only while the loop polls, so its wait starts there: a slow start-up
            // (shaders, fonts, a loaded machine) must not use it up before the first read.
            i64 now = now_ms();
            if (!tray->first_poll_ms) tray->first_poll_ms = now;
            else if (now - tray->first_poll_ms > k_answer_wait_ms) watcher_set(tray, TRAY_DBUS_WATCHER_ABSENT);
        }
    }
    u32 events = tray->events;
    tray->events = 0;
    return events;
}

void tray_dbus_stop() {
    TrayDbus* tray = &g_tray;
    if (!tray->bus) return;
    tray->wanted = false;
    item_withdraw(tray);
    // Bounded: a bus that stopped reading must not hold up the exit.
    for (u32 i = 0; i < k_stop_flush_rounds && dbus_connection_has_messages_to_send(tray->bus); i++)
        dbus_connection_read_write(tray->bus, 10);
    bus_drop(tray);
}
