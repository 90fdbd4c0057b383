// SPDX-License-Identifier: MIT
// Saving through the real QFileDialog, driven the way a person would: the
// dialog is found among the top-level windows, a name typed, the dialog
// accepted or cancelled.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

// Waits (in the dialog's own loop) for the dialog to be up, then acts.
void whenDialogOpens(std::function<void(QFileDialog&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(*dialog);
                return;
            }
        }
    });
    poll->start();
}

void typeAndAccept(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    static_cast<QDialog&>(dialog).accept();
    if (dialog.isVisible()) {
        // The dialog would not take the name: leave it rather than hang.
        ADD_FAILURE() << "the dialog refused " << name.toStdString();
        dialog.reject();
    }
}

std::string fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

struct SaveFixture : ::testing::Test {
    QtHarness h;
    QTemporaryDir dir;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        h.form.start();
        h.form.C.txtResult->replaceSelection(T("甲\r\nb\r\n"));
    }
    void clickSave() { QTest::mouseClick(h.button(ControlId::cmdSave), Qt::LeftButton); }
};

TEST_F(SaveFixture, TheDialogAsItIsSetUp) {
    QStringList filters;
    QString chosen, title, suffix;
    QStringList shown;
    bool nativeOff = false, noOverwritePrompt = false, hideDetails = false, saving = false, modal = false;
    QString proposed;
    h.dialog.beforeOpen = [&](QFileDialog& d) {
        filters = d.nameFilters();
        title = d.windowTitle();
        suffix = d.defaultSuffix();
        nativeOff = d.testOption(QFileDialog::DontUseNativeDialog);
        noOverwritePrompt = d.testOption(QFileDialog::DontConfirmOverwrite);
        hideDetails = d.testOption(QFileDialog::HideNameFilterDetails);
        saving = d.acceptMode() == QFileDialog::AcceptSave;
        // What the person sees is the list of types; selectedNameFilter()
        // itself answers differently across Qt releases (with or without the
        // patterns once details are hidden).
        if (auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
            chosen = types->currentText();
        }
        QTimer::singleShot(0, &d, [&d, &modal, &proposed] {
            modal = d.isModal() && d.parentWidget() != nullptr;
            proposed = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            d.reject();
        });
    };
    clickSave();
    EXPECT_EQ(title.toStdString(), "保存文件清单");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0].toStdString(), "文本文档(TXT) (*.TXT *.txt)");
    EXPECT_EQ(filters[1].toStdString(), "所有文件 (*)");
    // What the person sees: the descriptions alone, the first one chosen.
    EXPECT_EQ(chosen.toStdString(), "文本文档(TXT)");
    EXPECT_EQ(shown, QStringList({QStringLiteral("文本文档(TXT)"), QStringLiteral("所有文件")}));
    EXPECT_EQ(suffix.toStdString(), "TXT");
    EXPECT_TRUE(nativeOff);
    EXPECT_TRUE(noOverwritePrompt);
    EXPECT_TRUE(hideDetails);
    EXPECT_TRUE(saving);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(proposed.isEmpty());
}

TEST_F(SaveFixture, CancelPutsTheSiteNameInTheTitle) {
    whenDialogOpens([](QFileDialog& d) { d.reject(); });
    clickSave();
    EXPECT_EQ(U(h.form.C.form->caption()), "Malvorn");
    EXPECT_EQ(h.ws.window()->windowTitle().toStdString(), "Malvorn");
    EXPECT_TRUE(h.messages.empty());
}

TEST_F(SaveFixture, ANameWithoutExtensionGetsTxtAndTheFileHoldsTheText) {
    const QString base = dir.filePath(QStringLiteral("listing"));
    whenDialogOpens([&](QFileDialog& d) { typeAndAccept(d, base); });
    clickSave();
    EXPECT_EQ(U(h.form.C.form->caption()), "保存成功。");
    EXPECT_EQ(fileBytes(base + QStringLiteral(".TXT")), "甲\r\nb\r\n\r\n");
    EXPECT_FALSE(QFile::exists(base));
}

TEST_F(SaveFixture, TheExtensionIsAddedWhicheverTypeIsChosen) {
    const QString base = dir.filePath(QStringLiteral("all"));
    whenDialogOpens([&](QFileDialog& d) {
        d.selectNameFilter(d.nameFilters().at(1));
        typeAndAccept(d, base);
    });
    clickSave();
    EXPECT_EQ(fileBytes(base + QStringLiteral(".TXT")), "甲\r\nb\r\n\r\n");
}

TEST_F(SaveFixture, ANameWithAnExtensionIsKept) {
    const QString name = dir.filePath(QStringLiteral("list.log"));
    whenDialogOpens([&](QFileDialog& d) { typeAndAccept(d, name); });
    clickSave();
    EXPECT_EQ(fileBytes(name), "甲\r\nb\r\n\r\n");
}

TEST_F(SaveFixture, BytesThatAreNotTextAreSavedAsTheyWere) {
    Text line = u"/x/";
    line.push_back(0xDCFF);  // a name holding the byte 0xFF
    h.form.C.txtResult->replaceSelection(line + u"\r\n");
    const QString name = dir.filePath(QStringLiteral("bytes.txt"));
    whenDialogOpens([&](QFileDialog& d) { typeAndAccept(d, name); });
    clickSave();
    EXPECT_EQ(fileBytes(name), "甲\r\nb\r\n/x/\xFF\r\n\r\n");
}

TEST_F(SaveFixture, ANameTooLongForTheBufferIsNotSaved) {
    // Each part of the name fits the file system; the whole does not fit
    // the 260-byte buffer.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString(200, QLatin1Char('d'))));
    const QString name =
        dir.filePath(QString(200, QLatin1Char('d')) + QLatin1Char('/') + QString(60, QLatin1Char('n')));
    whenDialogOpens([&](QFileDialog& d) { typeAndAccept(d, name); });
    clickSave();
    EXPECT_EQ(U(h.form.C.form->caption()), "未保存。CommDlgExtendedError=12291");
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(SaveFixture, AFileThatCannotBeCreatedIsReported) {
    const QString name = dir.filePath(QStringLiteral("no/such/folder/x.txt"));
    whenDialogOpens([&](QFileDialog& d) {
        // The dialog itself refuses a folder that is not there; the name is
        // handed over as typed through its selection.
        d.selectFile(name);
        static_cast<QDialog&>(d).accept();
    });
    clickSave();
    if (h.form.C.form->caption() == T("Malvorn")) GTEST_SKIP() << "the dialog would not take the name";
    EXPECT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages.at(0).style, MB_ICONEXCLAMATION_OK);
}

}  // namespace
}  // namespace malvorn::qttest
