// SPDX-License-Identifier: MIT
// The drive list, the folder list and the path box on the real disk.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "platform/error.h"
#include "platform/qt/qt_text.h"
#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

struct FolderFixture : ::testing::Test {
    QTemporaryDir dir;
    Text root;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("alpha/inner")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Beta")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral(".hidden")));
        root = fromUtf8(QFile::encodeName(QDir(dir.path()).canonicalPath()).toStdString());
    }
};

QStringList itemTexts(QTreeWidget* tree) {
    QStringList out;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) out << (*it)->text(0);
    return out;
}

TEST_F(FolderFixture, SetPathShowsTheChainAndTheSubfolders) {
    RecordedWindow r;
    r.C.drDir->setPath(root);
    EXPECT_EQ(r.events.count("drDir_Change"), 1);
    EXPECT_EQ(r.C.drDir->path(), root);
    auto* tree = qobject_cast<QTreeWidget*>(r.w(ControlId::drDir));
    const QStringList items = itemTexts(tree);
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items.front().toStdString(), "/");
    EXPECT_EQ(items.at(items.size() - 2).toStdString(), "alpha");
    EXPECT_EQ(items.back().toStdString(), "Beta");
    EXPECT_EQ(tree->currentItem()->text(0), QDir(dir.path()).dirName());
    // The same folder again, also spelt differently: no change.
    r.C.drDir->setPath(root + u"/alpha/..");
    r.C.drDir->setPath(root + u"/");
    EXPECT_EQ(r.events.count("drDir_Change"), 1);
    r.C.drDir->setPath(root + u"/alpha");
    EXPECT_EQ(r.events.count("drDir_Change"), 2);
    EXPECT_EQ(r.C.drDir->path(), root + u"/alpha");
}

TEST_F(FolderFixture, PathsThatCannotBeShownAreRefused) {
    RecordedWindow r;
    r.C.drDir->setPath(root);
    for (const Text& bad : {root + u"/missing", Text(), root + u"/alpha/inner/../../Beta/nothing"}) {
        try {
            r.C.drDir->setPath(bad);
            ADD_FAILURE() << U(bad);
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 76);
            EXPECT_EQ(U(e.description()), "路径未找到");
        }
    }
    EXPECT_EQ(r.C.drDir->path(), root);
    EXPECT_EQ(r.events.count("drDir_Change"), 1);
}

TEST_F(FolderFixture, DoubleClickOrEnterOpensAFolder) {
    RecordedWindow r;
    r.C.drDir->setPath(root);
    auto* tree = qobject_cast<QTreeWidget*>(r.w(ControlId::drDir));
    const auto found = tree->findItems(QStringLiteral("Beta"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    tree->setCurrentItem(found.front());
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(r.C.drDir->path(), root + u"/Beta");
    EXPECT_EQ(r.events.count("drDir_Change"), 2);
    // Back up the chain to "/".
    const auto top = tree->findItems(QStringLiteral("/"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(top.size(), 1);
    emit tree->itemActivated(top.front(), 0);
    EXPECT_EQ(U(r.C.drDir->path()), "/");
    EXPECT_EQ(r.events.count("drDir_Change"), 3);
}

TEST(QtDrives, TheDriveListShowsMountedVolumes) {
    RecordedWindow r;
    auto* combo = qobject_cast<QComboBox*>(r.w(ControlId::drDrive));
    ASSERT_GE(combo->count(), 1);
    QStringList roots;
    for (int i = 0; i < combo->count(); ++i) roots << combo->itemText(i);
    EXPECT_TRUE(roots.contains(QStringLiteral("/")));
    QStringList sorted = roots;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(roots, sorted);
    EXPECT_EQ(combo->currentText(), qt::toQString(r.C.drDrive->drive()));
}

TEST(QtDrives, ChoosingAnotherVolumeRaisesChange) {
    RecordedWindow r;
    auto* combo = qobject_cast<QComboBox*>(r.w(ControlId::drDrive));
    // Opening the list reads the volumes again.
    QTest::mouseClick(combo, Qt::LeftButton);
    combo->hidePopup();
    if (combo->count() < 2) GTEST_SKIP() << "one volume only";
    const int other = combo->currentIndex() == 0 ? 1 : 0;
    emit combo->activated(other);
    EXPECT_EQ(r.events.count("drDrive_Change"), 1);
    EXPECT_EQ(qt::toQString(r.C.drDrive->drive()), combo->itemText(other));
    emit combo->activated(other);  // the same one again
    EXPECT_EQ(r.events.count("drDrive_Change"), 1);
}

TEST(QtDrives, SetDriveTakesTheLongestLeadingVolume) {
    RecordedWindow r;
    r.C.drDrive->setDrive(u"/");
    const int before = r.events.count("drDrive_Change");
    r.C.drDrive->setDrive(u"/");
    EXPECT_EQ(r.events.count("drDrive_Change"), before);
    EXPECT_EQ(U(r.C.drDrive->drive()), "/");
    // /proc is a volume of its own on Linux if listed; else "/" holds it.
    r.C.drDrive->setDrive(u"/no/such/volume/here");
    EXPECT_EQ(U(r.C.drDrive->drive()), "/");
    for (const Text& bad : {Text(), Text(u"relative/path")}) {
        try {
            r.C.drDrive->setDrive(bad);
            ADD_FAILURE() << U(bad);
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 68);
        }
    }
}

TEST_F(FolderFixture, ThePathBoxDrivesTheListsAndAFailureIsReported) {
    QtHarness h;
    h.form.start();
    h.form.C.txtPath->setText(root + u"/alpha");
    EXPECT_EQ(h.form.C.drDir->path(), root + u"/alpha");
    EXPECT_TRUE(h.messages.empty());
    // A folder that is not there: the report; the lists stay where they were.
    h.form.C.txtPath->setText(root + u"/zz");
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages.back().text, "路径未找到");
    EXPECT_EQ(h.messages.back().title, "VB运行时错误：76");
    EXPECT_EQ(h.messages.back().style, MB_ICONEXCLAMATION_OK);
    EXPECT_EQ(h.form.C.drDir->path(), root + u"/alpha");
    // Typing a folder, one key at a time, follows it to the end.
    QLineEdit* edit = h.lineEdit(ControlId::txtPath);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(U(root)) + QStringLiteral("/Beta"));
    EXPECT_EQ(h.form.C.drDir->path(), root + u"/Beta");
}

}  // namespace
}  // namespace malvorn::qttest
