// SPDX-License-Identifier: MIT
// Which of a backend's control classes stands for which kind of control, in
// one place for every backend. A backend names its classes in a struct of
// its own (one alias per kind, as below) and says how one of them is made;
// the switch over the kinds is written here only.
//
//   struct Kinds { using SingleLineText = TextBox; using MultiLineText = ResultBox; ... };
//   auto c = makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<Control> {
//       using C = typename decltype(kind)::type;
//       return std::make_unique<C>(*this, d);
//   });
#pragma once

#include <stdexcept>
#include <type_traits>

#include "platform/form_design.h"

namespace malvorn {

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
