#pragma once
// The client code wayland-scanner made from the protocols this folder speaks.
#include <wayland-client.h>
#include <wayland-ext-session-lock-v1-client.h>
#include <wayland-fractional-scale-v1-client.h>
#include <wayland-viewporter-client.h>
#include <wayland-xdg-shell-client.h>
// The layer shell names a request's argument "namespace", which C++ reserves; the name is
// only the parameter's.
#define namespace namespace_
#include <wayland-wlr-layer-shell-unstable-v1-client.h>
#undef namespace
