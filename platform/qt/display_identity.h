// Which display this program shows its windows on, as a text two programs can compare: a later
// start hands its documents only to a program on its own display.
#pragma once

#include <QString>

namespace platform::qt {

// The machine's boot, the platform asked of Qt, and the displays the environment names:
// "<boot id>  :1 /run/user/1000/wayland-0".
QString ThisDisplay();

}  // namespace platform::qt
