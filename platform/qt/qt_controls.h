// SPDX-License-Identifier: MIT
// The controls of the Qt window: each wraps one widget and keeps the
// change-event rule of platform/controls.h. Programmatic assignments block
// Qt's own signals and call the handler directly, inside the assignment;
// what the user does arrives through Qt's signals and goes through
// dispatchEvent.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/controls.h"
#include "platform/form_design.h"
#include "platform/form_events.h"
#include "platform/shared/kept_bounds.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace malvorn::qt {

class ListingView;
class WindowSystem;

// An event filter given as a function; lives as a child of the watched
// object so that it goes with it.
class EventHook : public QObject {
public:
    EventHook(QObject* watched, std::function<bool(QObject*, QEvent*)> filter);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(QObject*, QEvent*)> filter_;
};

class Control : public KeptBoundsControl {
public:
    Control(WindowSystem& ws, QWidget* widget, const ControlDesign& design);

    QWidget* widget() const { return widget_; }
    ControlId id() const { return id_; }
    // Puts the widget where the bounds say (frame controls: twips to pixels).
    void applyBounds() override;

protected:
    // A user event: through dispatchEvent.
    void raiseFromUser(ControlEvent event);
    // An event inside a programmatic assignment: straight to the handler.
    void raiseInline(ControlEvent event);

    WindowSystem& ws_;
    QWidget* widget_;
    ControlId id_;
    bool twips_;
};

// txtPath and txtLevel.
class TextBox : public Control, public ITextBox {
public:
    TextBox(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    Text text() const override;
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    QLineEdit* edit() const { return edit_; }

private:
    void show(const Text& text);
    QLineEdit* edit_;
    // The text last assigned, and how it is shown: while the box still shows
    // exactly that, text() gives back the assigned text with its escaped
    // bytes rather than the replacement characters the person sees.
    Text assigned_;
    QString shown_;
};

// txtResult: every line goes into the view's editor as it comes; the view
// paces only the drawing.
class ResultBox : public Control, public ITextBox {
public:
    ResultBox(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    Text text() const override;
    void readText(const std::function<void(TextView)>& piece) const override;
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    ListingView* view() const { return view_; }

private:
    ListingView* view_;
};

class Button : public Control, public IButton {
public:
    Button(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    void setCaption(const Text& caption) override;
    QPushButton* button() const { return button_; }

private:
    QPushButton* button_;
};

class CheckBox : public Control, public ICheckBox {
public:
    CheckBox(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    int value() const override;
    void setValue(int value) override;

private:
    QCheckBox* box_;
};

class Frame : public Control, public IFrame {
public:
    Frame(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    QGroupBox* box() const { return box_; }

private:
    QGroupBox* box_;
};

// Sized to its caption: only the position follows the bounds.
class Label : public Control, public ILabel {
public:
    Label(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    void applyBounds() override;

private:
    QLabel* label_;
};

class ScrollBar : public Control, public IScrollBar {
public:
    ScrollBar(WindowSystem& ws, QWidget* parent, const ControlDesign& design, const ScrollBarDesign& range);
    std::int16_t value() const override;
    void setValue(std::int16_t value) override;
    QScrollBar* bar() const { return bar_; }

private:
    QScrollBar* bar_;
    int reported_;  // the value the last Change stood for
};

// The mounted volumes, by root path.
class DriveList : public Control, public IDriveList {
public:
    DriveList(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    Text drive() const override { return drive_; }
    void setDrive(const Text& text) override;
    QComboBox* combo() const { return combo_; }
    // Re-reads the mounted volumes, keeping the current one selected.
    void refresh();

private:
    void select(const Text& root);
    QComboBox* combo_;
    std::vector<Text> roots_;
    Text drive_;
};

// The current folder's ancestors, the folder itself, then its subfolders.
class FolderList : public Control, public IFolderList {
public:
    FolderList(WindowSystem& ws, QWidget* parent, const ControlDesign& design);
    Text path() const override { return path_; }
    void setPath(const Text& path) override;
    QTreeWidget* tree() const { return tree_; }

private:
    // Shows `path` (normalised, readable), or throws PlatformError.
    void show(const Text& path);
    void open(QTreeWidgetItem* item);
    QTreeWidget* tree_;
    Text path_;
};

// The top-level window.
class FormWindow : public QWidget, public IForm {
public:
    FormWindow(WindowSystem& ws, const FormDesign& design);
    Text caption() const override { return caption_; }
    void setCaption(const Text& caption) override;
    int innerWidth() const override;
    int innerHeight() const override;
    void show() override;
    // Qt 6.8 and later hand it to the screen readers (Orca says it); Qt 6.4
    // has no announcement event, and says nothing.
    void announce(const Text& words) override;
    bool open() const { return open_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void sizeMayHaveChanged();
    WindowSystem& ws_;
    Text caption_;
    bool shown_ = false;
    bool open_ = true;
    QSize reported_;  // the inner size the last Resize stood for
};

}  // namespace malvorn::qt
