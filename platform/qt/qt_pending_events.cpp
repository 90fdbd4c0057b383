// SPDX-License-Identifier: MIT
// An empty processEvents costs about 3 µs (a ppoll of the dispatcher's wake-up
// descriptor, the posted-event and window-system queues, the timer list, the
// X connection's flush); a listing pumps some 333,000 times on a large tree
// and nearly always finds nothing, which costs the window more than half its
// walk again. Everything that gives the main thread work shows in the state
// of Qt's Unix event dispatcher without a system call:
//  * every posted event, and every window-system event the X reader thread
//    queues, wakes the dispatcher, which leaves its wake-up count set until a
//    processEvents has read the descriptor;
//  * posting also marks the thread's posted-event list as not waitable;
//  * the timer list knows when its first timer is due (the monotonic clock,
//    read without a system call);
//  * socket notifiers can only be found out by polling, so with any of them
//    registered on this thread the answer is "maybe".
// That state is Qt's private one, laid out as the Qt this was built against
// lays it out; with any other Qt, or another dispatcher (GLib's), the answer
// is always "maybe" and nothing is read.
#include "platform/qt/qt_pending_events.h"

#include <QtCore/private/qeventdispatcher_unix_p.h>
#include <QtCore/private/qthread_p.h>
#include <QtGui/qpa/qwindowsysteminterface.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <cstring>

namespace malvorn::qt {

namespace {

QEventDispatcherUNIXPrivate* unixDispatcher() {
    static const bool sameQt = std::strcmp(qVersion(), QT_VERSION_STR) == 0;
    if (!sameQt) return nullptr;
    auto* dispatcher = qobject_cast<QEventDispatcherUNIX*>(QAbstractEventDispatcher::instance());
    if (!dispatcher) return nullptr;
    return static_cast<QEventDispatcherUNIXPrivate*>(QObjectPrivate::get(dispatcher));
}

}  // namespace

bool eventsMayBePending() {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) return true;
    QEventDispatcherUNIXPrivate* d = unixDispatcher();
    if (!d) return true;
    if (d->threadPipe.wakeUps.loadAcquire() != 0) return true;
    if (!d->socketNotifiers.isEmpty() || !d->pendingNotifiers.isEmpty()) return true;
    if (!d->threadData.loadRelaxed()->canWaitLocked()) return true;
    if (QWindowSystemInterface::windowSystemEventsQueued() != 0) return true;
    timespec wait{};
    if (d->timerList.timerWait(wait) && wait.tv_sec == 0 && wait.tv_nsec == 0) return true;
    return false;
}

}  // namespace malvorn::qt
