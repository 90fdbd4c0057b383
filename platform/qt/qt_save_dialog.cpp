// SPDX-License-Identifier: MIT
#include "platform/qt/qt_save_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window_system.h"

namespace malvorn::qt {

namespace {

// What the classic dialog answers when the chosen name does not fit the
// caller's buffer.
constexpr std::int32_t BufferTooSmall = 12291;

}  // namespace

QString nameFilter(const Text& description, const Text& patterns) {
    QStringList globs;
    for (const QString& p : toQString(patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString glob = p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed();
        if (!globs.contains(glob)) globs << glob;
        if (!globs.contains(glob.toLower())) globs << glob.toLower();
    }
    return displayString(description) + QLatin1String(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')');
}

SaveDialogResult SaveDialog::show(IForm& owner, const SaveDialogRequest& request) {
    QFileDialog dialog(widgetOf(owner), displayString(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::WindowModal);
    QStringList filters;
    for (const auto& [description, patterns] : request.filters) filters << nameFilter(description, patterns);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(request.filterIndex - 1));
    // Added to a name typed without an extension, whichever type is chosen.
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(toQString(request.defaultExtension));
    if (beforeOpen) beforeOpen(dialog);

    SaveDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    const QByteArray bytes = QFile::encodeName(dialog.selectedFiles().constFirst());
    if (bytes.size() > request.maxFile - 1) {
        result.errorCode = BufferTooSmall;
        return result;
    }
    result.chosen = true;
    result.fileBuffer = fromNativeBytes(bytes);
    return result;
}

}  // namespace malvorn::qt
