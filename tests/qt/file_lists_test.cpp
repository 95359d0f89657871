// Folder and file lists in the Qt host, and the pointer of a link.
#include <QListWidget>

#include "qt_support.h"

namespace {

using forms::Kind;

struct Dialog : forms::Form {
    explicit Dialog(forms::Application& app) : forms::Form(app, "Dialog") {}
};

// The folder itself, the folders above it, and one folder below it.
void Fill(forms::Control& dirs) {
    const std::string path = dirs.path();
    dirs.clear();
    dirs.addItem("/");
    for (std::size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/') dirs.addItem(path.substr(0, i));
    dirs.addItem(path + "/x");
}

using FileListTest = qttest::QtHostTest;

TEST_F(FileListTest, AFolderListShowsNamesByDepthAndReportsAChosenFolderOnce) {
    Dialog form(app);
    forms::Control& dirs = form.add(Kind::DirListBox, "Dir1");
    dirs.move(0, 0, 2000, 2000);
    forms::Control& files = form.add(Kind::FileListBox, "File1");
    files.move(2000, 0, 2000, 2000);
    forms::Control& link = form.add(Kind::Label, "Label4");
    link.setMousePointer(forms::vbCustom);
    int changes = 0, doubleClicks = 0;
    dirs.Change = [&] {
        ++changes;
        Fill(dirs);
    };
    files.DblClick = [&] { ++doubleClicks; };
    dirs.setPath("/home");
    files.addItem("a.wav");
    form.Show();

    auto* list = qobject_cast<QListWidget*>(widget(dirs));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "/");
    EXPECT_EQ(list->item(1)->text(), "  home");
    EXPECT_EQ(list->item(2)->text(), "    x");
    EXPECT_EQ(list->currentRow(), 1);

    changes = 0;
    list->setCurrentRow(2);  // as the user chooses it; the list is refilled while it reports the choice
    EXPECT_EQ(dirs.path(), "/home/x");
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(3)->text(), "      x");
    EXPECT_EQ(list->currentRow(), 2);

    auto* fileList = qobject_cast<QListWidget*>(widget(files));
    ASSERT_NE(fileList, nullptr);
    emit fileList->itemDoubleClicked(fileList->item(0));
    EXPECT_EQ(doubleClicks, 1);

    EXPECT_EQ(widget(link)->cursor().shape(), Qt::PointingHandCursor);
    form.Unload();
}

}  // namespace
