// SPDX-License-Identifier: MIT
// Which of a backend's control classes stands for which kind of control, in
// one place for every backend. A backend lists its classes in the order of
// the kinds and says how one of them is made; the switch over the kinds is
// written here only.
//
//   using Kinds = ControlKinds<TextBox, ResultBox, Button, CheckBox, Frame, Label,
//                              DriveList, FolderList, ScrollBar>;
//   auto c = makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<Control> {
//       using C = ControlClass<decltype(kind)>;
//       return std::make_unique<C>(*this, d);
//   });
#pragma once

#include <stdexcept>
#include <type_traits>

#include "platform/form_design.h"

namespace malvorn {

// A backend's control classes, one for each ControlKind, in its order.
template <class SingleLineText_, class MultiLineText_, class PushButton_, class CheckBox_, class Frame_, class Label_,
          class DriveList_, class FolderList_, class VerticalScrollBar_>
struct ControlKinds {
    using SingleLineText = SingleLineText_;
    using MultiLineText = MultiLineText_;
    using PushButton = PushButton_;
    using CheckBox = CheckBox_;
    using Frame = Frame_;
    using Label = Label_;
    using DriveList = DriveList_;
    using FolderList = FolderList_;
    using VerticalScrollBar = VerticalScrollBar_;
};

template <class Kinds, class Make>
auto makeControl(ControlKind kind, Make&& make) {
    switch (kind) {
        case ControlKind::SingleLineText:
            return make(std::type_identity<typename Kinds::SingleLineText>{});
        case ControlKind::MultiLineText:
            return make(std::type_identity<typename Kinds::MultiLineText>{});
        case ControlKind::PushButton:
            return make(std::type_identity<typename Kinds::PushButton>{});
        case ControlKind::CheckBox:
            return make(std::type_identity<typename Kinds::CheckBox>{});
        case ControlKind::Frame:
            return make(std::type_identity<typename Kinds::Frame>{});
        case ControlKind::Label:
            return make(std::type_identity<typename Kinds::Label>{});
        case ControlKind::DriveList:
            return make(std::type_identity<typename Kinds::DriveList>{});
        case ControlKind::FolderList:
            return make(std::type_identity<typename Kinds::FolderList>{});
        case ControlKind::VerticalScrollBar:
            return make(std::type_identity<typename Kinds::VerticalScrollBar>{});
    }
    throw std::logic_error("unknown control kind");
}

// The class `kind` stands for, inside a maker.
template <class Kind>
using ControlClass = typename Kind::type;

}  // namespace malvorn
