// SPDX-License-Identifier: MIT
#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

namespace malvorn::qt {

namespace {

// The installed theme icon first (hicolor, any size the desktop wants);
// the copies built into the program when it runs from the build tree.
QIcon programIcon() {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(DesktopFileName));
    if (!icon.isNull()) return icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/malvorn/icons/malvorn-%1.png").arg(size), QSize(size, size));
    return icon;
}

// The window's layout is fixed in pixels, drawn for a 9-point font at 96 dpi:
// 12 pixels. The desktop's font family is kept, its size is not, or a
// larger desktop font (GNOME's Cantarell 11 through the GTK theme) cuts off
// the depth box's digits. The pixels are device-independent, so the text
// scales with the screen as the layout does.
void fitFontToLayout() {
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
}

}  // namespace

bool setUpApplication(QApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("malvorn"));
    // No application display name: Qt would append it to every window
    // title, and the window's caption is exactly its own.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
    QApplication::setWindowIcon(programIcon());
    fitFontToLayout();

    // The window speaks Chinese (PRC) whatever the session's locale: dates
    // and sizes in the save dialog follow, and so do Qt's own texts.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* loaded = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!loaded->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete loaded;
        std::fprintf(
            stderr,
            "malvorn: 在 %s 中找不到 Qt 的中文翻译 qtbase_zh_CN.qm（软件包 qt6-translations-l10n），对话框将显示英文\n",
            qPrintable(folder));
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

}  // namespace malvorn::qt
