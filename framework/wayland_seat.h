// Whether the Wayland compositor that Qt is about to connect to offers no seat (no keyboard,
// pointer or touch), as a headless compositor does.
#pragma once

// True only when Qt would use Wayland (QT_QPA_PLATFORM unset or naming it), a compositor
// answers, and it lists no wl_seat. False where there is no compositor to ask.
bool WaylandCompositorHasNoSeat();
