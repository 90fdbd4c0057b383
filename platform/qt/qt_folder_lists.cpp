// SPDX-License-Identifier: MIT
// The drive list and the folder list on Linux: "drives" are the mounted
// volumes, named by their root paths; the folder list shows the chain from
// "/" down to the current folder, then the current folder's subfolders.
// Folders and volumes are read by the POSIX backend (posix_folders), so that
// names that are not valid UTF-8 keep their bytes (escaped in Text, shown as
// U+FFFD); here they are only sorted and shown.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <optional>

#include "platform/error.h"
#include "platform/posix/posix_folders.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window_system.h"
#include "platform/shared/dispatch.h"

namespace malvorn::qt {

namespace {

constexpr int PathRole = Qt::UserRole;

[[noreturn]] void pathNotFound() { throw PlatformError(errors::PathNotFound); }

// Absolute, without "." and "..", without doubled or trailing separators.
Text normalisedPath(const Text& path) {
    if (path.empty()) pathNotFound();
    Text absolute = path;
    if (absolute.front() != u'/') absolute = posix::currentFolder() + u"/" + absolute;
    // cleanPath works on UTF-16 units, so escaped bytes pass through it.
    return toText(QDir::cleanPath(toQString(absolute)));
}

// The visible subfolders of a readable folder in the order a person reads
// them; nothing when the folder cannot be read.
std::optional<std::vector<Text>> sortedSubfolders(const Text& folder) {
    auto names = posix::subfolders(folder);
    if (!names) return names;
    std::sort(names->begin(), names->end(), [](const Text& a, const Text& b) {
        const int c = displayString(a).compare(displayString(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

}  // namespace

// ---------------------------------------------------------------- DriveList

DriveList::DriveList(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QComboBox(parent), d), combo_(static_cast<QComboBox*>(widget_)) {
    roots_ = posix::volumeRoots();
    const Text* start = posix::volumeOf(roots_, posix::currentFolder());
    select(start ? Text(*start) : Text(u"/"));
    // Volumes come and go: the list is read again whenever it is opened.
    new EventHook(combo_, [this](QObject*, QEvent* e) {
        if (e->type() == QEvent::MouseButtonPress) refresh();
        if (e->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_F4 || ((key->modifiers() & Qt::AltModifier) && key->key() == Qt::Key_Down))
                refresh();
        }
        return false;
    });
    QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= roots_.size()) return;
        if (roots_[static_cast<std::size_t>(index)] == drive_) return;
        drive_ = roots_[static_cast<std::size_t>(index)];
        raiseFromUser(ControlEvent::Change);
    });
}

void DriveList::refresh() {
    roots_ = posix::volumeRoots();
    select(drive_.empty() ? Text(u"/") : Text(drive_));
}

void DriveList::select(const Text& root) {
    if (std::find(roots_.begin(), roots_.end(), root) == roots_.end()) {
        roots_.push_back(root);  // a volume that is no longer listed stays while it is current
        std::sort(roots_.begin(), roots_.end());
    }
    drive_ = root;
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    for (const Text& r : roots_) combo_->addItem(displayString(r));
    combo_->setCurrentIndex(static_cast<int>(std::find(roots_.begin(), roots_.end(), root) - roots_.begin()));
}

void DriveList::setDrive(const Text& text) {
    const Text* root = posix::volumeOf(roots_, text);
    if (!root) throw PlatformError(errors::DeviceUnavailable);
    if (*root == drive_) return;
    select(Text(*root));
    raiseInline(ControlEvent::Change);
}

// ---------------------------------------------------------------- FolderList

FolderList::FolderList(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QTreeWidget(parent), d), tree_(static_cast<QTreeWidget*>(widget_)) {
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    // Qt's accessible tree still lists the hidden header as its first child;
    // without a label it is not read as a column named "1".
    tree_->setHeaderLabels({QString()});
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setIndentation(10);
    // Every folder of the chain is open already: no expand marks.
    tree_->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    try {
        show(posix::currentFolder());
    } catch (const PlatformError&) {
        show(u"/");
    }
    // Double-click or Enter opens a folder.
    QObject::connect(tree_, &QTreeWidget::itemActivated, tree_, [this](QTreeWidgetItem* item) { open(item); });
}

void FolderList::show(const Text& requested) {
    const Text path = normalisedPath(requested);
    if (!posix::isFolder(path)) pathNotFound();
    const auto children = sortedSubfolders(path);
    if (!children) pathNotFound();

    const QIcon opened = tree_->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = tree_->style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto makeItem = [&](QTreeWidgetItem* parentItem, const Text& name, const Text& full, const QIcon& icon) {
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(tree_);
        item->setText(0, displayString(name));
        item->setIcon(0, icon);
        item->setData(0, PathRole, toNativeBytes(full));
        return item;
    };

    const QSignalBlocker quiet(tree_);
    tree_->clear();
    QTreeWidgetItem* current = makeItem(nullptr, u"/", u"/", opened);
    Text sofar;
    std::size_t pos = 1;
    while (pos < path.size()) {
        const std::size_t end = std::min(path.find(u'/', pos), path.size());
        const Text name = path.substr(pos, end - pos);
        sofar += u"/" + name;
        current = makeItem(current, name, sofar, opened);
        pos = end + 1;
    }
    const Text prefix = path == u"/" ? Text() : path;
    for (const Text& name : *children) makeItem(current, name, prefix + u"/" + name, closed);
    // Only the folders of the chain that show children are open: expandAll
    // would mark the subfolders too, and a screen reader would call every
    // leaf "expanded".
    for (QTreeWidgetItem* item = current; item; item = item->parent()) item->setExpanded(item->childCount() > 0);
    tree_->setCurrentItem(current);
    tree_->scrollToItem(current);
    path_ = path;
}

void FolderList::setPath(const Text& text) {
    const Text path = normalisedPath(text);
    if (path == path_) {
        // Same folder: nothing changes, but it must still be one to show.
        if (!posix::isFolder(path)) pathNotFound();
        return;
    }
    show(path);
    raiseInline(ControlEvent::Change);
}

void FolderList::open(QTreeWidgetItem* item) {
    if (!item) return;
    const Text target = fromNativeBytes(item->data(0, PathRole).toByteArray());
    if (target == path_) return;
    try {
        show(target);
    } catch (const PlatformError&) {
        // The folder went away or cannot be read: the list stays as it is.
        QApplication::beep();
        return;
    }
    raiseFromUser(ControlEvent::Change);
}

}  // namespace malvorn::qt
