// SPDX-License-Identifier: MIT
// The event loop the window programs run on.
#pragma once

#include <QtGlobal>

namespace malvorn::app {

// A listing pumps events about three times a folder, hundreds of thousands
// of times on a large tree, and nearly always finds nothing to do. Qt's own
// Unix dispatcher answers such a pump in about half the time of the GLib
// one, which the window needs nothing of (its dialogs are Qt's own). Call
// before the QApplication is made; a QT_NO_GLIB set by the user is kept.
inline void preferQtEventDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

}  // namespace malvorn::app
