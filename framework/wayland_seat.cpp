// Asks the Wayland compositor for its globals, once, over a connection of its own that is closed
// before Qt makes its own (Wayland's protocol: wl_display.get_registry, wl_registry.global).
#include "wayland_seat.h"

#include <cstring>
#include <memory>

#include <wayland-client.h>

namespace {

void OnGlobal(void *data, wl_registry * /*registry*/, uint32_t /*name*/, const char *interface,
              uint32_t /*version*/)
{
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        *static_cast<bool *>(data) = true;
}

void OnGlobalRemove(void * /*data*/, wl_registry * /*registry*/, uint32_t /*name*/) { }

constexpr wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};

} // namespace

bool WaylandCompositorHasNoSeat()
{
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(
            wl_display_connect(nullptr), &wl_display_disconnect);
    if (display == nullptr)
        return false;
    const std::unique_ptr<wl_registry, decltype(&wl_registry_destroy)> registry(
            wl_display_get_registry(display.get()), &wl_registry_destroy);
    bool seat = false;
    if (registry == nullptr || wl_registry_add_listener(registry.get(), &kListener, &seat) != 0
        || wl_display_roundtrip(display.get()) < 0)
        return false;
    return !seat;
}
