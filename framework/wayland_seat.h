// Whether the Wayland compositor that Qt is about to connect to offers no seat (no keyboard,
// pointer or touch), as a headless compositor does.
#pragma once

// True only when a compositor answers (at WAYLAND_DISPLAY, or Wayland's default socket) and
// lists no wl_seat; false where there is none to ask. Were Qt to choose another platform beside
// a seatless compositor, it would only go without input methods.
bool WaylandCompositorHasNoSeat();
