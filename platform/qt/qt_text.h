// SPDX-License-Identifier: MIT
// Text between the core (UTF-16 with escaped bytes) and Qt.
//
// The core's Text and QString are both UTF-16 code units, so the raw copies
// below are lossless, lone surrogates included: a name with undecodable bytes
// goes into a widget and comes back out unchanged. Widgets that a person
// reads get the display form, where escaped bytes show as U+FFFD.
#pragma once

#include <QString>
#include <string>

#include "platform/text.h"

namespace malvorn::qt {

inline QString toQString(TextView text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline Text toText(const QString& text) {
    return Text(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

inline QString displayString(TextView text) { return toQString(forDisplay(text)); }

// A file system name (bytes) to Text and back, keeping undecodable bytes.
inline Text fromNativeBytes(const QByteArray& bytes) {
    return fromUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

inline QByteArray toNativeBytes(TextView text) {
    const std::string bytes = toUtf8(text);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace malvorn::qt
