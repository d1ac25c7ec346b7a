#include "blocklist/BlockTree.h"

#include "res/resource.h"
#include "win/Dialog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The main dialog's template, hidden, reflecting notifications to the tree and no more.
class HostDialog : public Dialog {
protected:
    bool HandleMessage(MessageArgs& args) override {
        args.result = TRUE;
        return args.message == WM_INITDIALOG;
    }
};

struct Node {
    std::string label;
    int image;
};

class BlockTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_HOTKEY_CLASS};
        ::InitCommonControlsEx(&controls);
        ASSERT_NE(nullptr, host_.CreateModeless(::GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
        tree_ = ::GetDlgItem(host_.Hwnd(), IDC_BLOCK_TREE);
        images_ = LoadBlockTreeImages(::GetModuleHandleA(nullptr));
        ASSERT_TRUE(images_);
        ASSERT_TRUE(blocks_.Attach(tree_, images_.Get()));

        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "hushbar-tree-" + std::to_string(::GetCurrentProcessId()) + ".txt";
        const std::string content = "header\r\n1,Alpha,ID-A,   \r\n0,Beta,ID-B,  x  \r\n1,Gamma,ID-C,\" two words \"\r\n";
        HANDLE file = ::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    void TearDown() override {
        ::DeleteFileA(path_.c_str());
        ::DestroyWindow(host_.Hwnd());
    }

    HTREEITEM Next(HTREEITEM node, UINT relation) const {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
    }
    Node At(HTREEITEM node) const {
        char text[256] = "";
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_IMAGE;
        item.hItem = node;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return {text, item.iImage};
    }
    std::vector<std::string> Children(HTREEITEM parent) const {
        std::vector<std::string> labels;
        for (HTREEITEM node = Next(parent, TVGN_CHILD); node; node = Next(node, TVGN_NEXT))
            labels.push_back(At(node).label + "/" + std::to_string(At(node).image));
        return labels;
    }
    std::string ScriptingText() const { return blocks_.Tree().ItemOf(blocks_.ScriptingNode())->ValueText(); }

    HostDialog host_;
    HWND tree_ = nullptr;
    UniqueImageList images_;
    BlockTree blocks_;
    std::string path_;
};

}  // namespace

TEST_F(BlockTreeTest, BuildLaysOutBothGroupsWithTheirLabelsImagesAndDefaults) {
    blocks_.Build(path_);
    ASSERT_TRUE(blocks_.IsBuilt());
    EXPECT_EQ(kOptionFreezeAfterClick, blocks_.Tree().OptionWord());

    const HTREEITEM browser = Next(nullptr, TVGN_ROOT);
    EXPECT_EQ("IE Browser", At(browser).label);
    EXPECT_EQ(13, At(browser).image);
    EXPECT_EQ(blocks_.ActiveXNode(), Next(browser, TVGN_NEXT));
    EXPECT_EQ("ActiveX", At(blocks_.ActiveXNode()).label);
    EXPECT_EQ(10, At(blocks_.ActiveXNode()).image);

    // A check node's image shows its state: 0 clear, 1 checked.
    EXPECT_EQ((std::vector<std::string>{"Scripting(Pop-up windows,Animated ads):/12", "Pictures (JPG...)/0", "Videos/1",
                                        "Animations (GIF)/1", "Sounds (Backupground sounds)/1",
                                        "Java Applet (EyeWonder...)/1"}),
              Children(browser));
    EXPECT_EQ(blocks_.ScriptingNode(), Next(browser, TVGN_CHILD));
    EXPECT_EQ("Enable", ScriptingText());
    EXPECT_FALSE(blocks_.IsChecked(Category::Pictures));
    EXPECT_TRUE(blocks_.IsChecked(Category::Java));

    // A comment of spaces adds nothing; a real one goes in parentheses, trimmed.
    EXPECT_EQ((std::vector<std::string>{"Alpha/1", "Beta (x)/0", "Gamma (two words)/1"}),
              Children(blocks_.ActiveXNode()));
    const BlockList& list = blocks_.Items();
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(Next(blocks_.ActiveXNode(), TVGN_CHILD), list[0].treeItem);
    EXPECT_FALSE(blocks_.IsChecked(list[1]));

    // Filled in one pass, both groups end open and the list starts at its top.
    for (HTREEITEM group : {browser, blocks_.ActiveXNode()})
        EXPECT_TRUE(::SendMessageA(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(group), TVIS_EXPANDED) &
                    TVIS_EXPANDED);
    EXPECT_EQ(browser, Next(nullptr, TVGN_FIRSTVISIBLE));
}

TEST_F(BlockTreeTest, ShowFillsFromAModelAndReadIntoTakesTheUsersChecksBack) {
    SelectionModel model;
    model.Load(path_);
    model.SetChecked(model.Items()[0], false);
    model.SetChecked(Category::Pictures, true);
    model.SetScriptingIndex(1);
    blocks_.Show(model);
    ASSERT_TRUE(blocks_.Shows(model));
    EXPECT_FALSE(blocks_.IsChecked(model.Items()[0]));
    EXPECT_TRUE(blocks_.IsChecked(Category::Pictures));
    EXPECT_EQ("Disable", ScriptingText());
    EXPECT_EQ((std::vector<std::string>{"Alpha/0", "Beta (x)/0", "Gamma (two words)/1"}),
              Children(blocks_.ActiveXNode()));

    blocks_.SetChecked(model.Items()[1], true);  // as the user would
    blocks_.SetScriptingIndex(2);
    blocks_.ReadInto(model);
    EXPECT_TRUE(model.IsChecked(model.Items()[1]));
    EXPECT_EQ(2u, model.ScriptingIndex());

    model.SetChecked(model.Items()[2], false);
    blocks_.Refresh(model);
    EXPECT_FALSE(blocks_.IsChecked(model.Items()[2]));

    blocks_.Clear();
    EXPECT_FALSE(blocks_.Shows(model));
    EXPECT_EQ(3u, model.Items().size()) << "the model outlives the tree";
    EXPECT_EQ(nullptr, model.Items()[0].treeItem);
}

TEST_F(BlockTreeTest, ALongListGetsItsNodesOnlyWhenItsGroupOpensAndTheModelHoldsTheRestMeanwhile) {
    std::string content = "header\r\n";
    for (int index = 0; index < 201; ++index)
        content += "1,Entry " + std::to_string(index) + ",ID-" + std::to_string(index) + (index == 7 ? ",note\r\n" : ",\r\n");
    HANDLE file = ::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    SelectionModel model;
    model.Load(path_);
    model.SetChecked(model.Items()[3], false);
    blocks_.Show(model);

    EXPECT_EQ(2u + 6u, ::SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
    EXPECT_FALSE(::SendMessageA(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(blocks_.ActiveXNode()), TVIS_EXPANDED) &
                 TVIS_EXPANDED);
    EXPECT_EQ(nullptr, model.Items()[0].treeItem);
    // Through the tree, an entry without a node is the model's; reading the tree back keeps it.
    EXPECT_FALSE(blocks_.IsChecked(model.Items()[3]));
    blocks_.SetChecked(model.Items()[5], false);
    blocks_.ReadInto(model);
    EXPECT_FALSE(model.IsChecked(model.Items()[5]));
    EXPECT_TRUE(model.IsChecked(model.Items()[6]));

    ::SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(blocks_.ActiveXNode()));
    EXPECT_EQ(2u + 6u + 201u, ::SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
    const std::vector<std::string> children = Children(blocks_.ActiveXNode());
    ASSERT_EQ(201u, children.size());
    EXPECT_EQ("Entry 3/0", children[3]);
    EXPECT_EQ("Entry 5/0", children[5]);
    EXPECT_EQ("Entry 7 (note)/1", children[7]);
    EXPECT_EQ(Next(blocks_.ActiveXNode(), TVGN_CHILD), model.Items()[0].treeItem);
    model.SetChecked(model.Items()[7], false);
    blocks_.Refresh(model);
    EXPECT_FALSE(blocks_.IsChecked(model.Items()[7]));
}

TEST_F(BlockTreeTest, BuildingTwiceGivesOneSetOfNodesAndClearForgetsThemAll) {
    blocks_.Build(path_);
    blocks_.Build(path_);
    EXPECT_EQ(2u + 6u + 3u, ::SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
    EXPECT_EQ(3u, blocks_.List().size());

    blocks_.Clear();
    EXPECT_FALSE(blocks_.IsBuilt());
    EXPECT_EQ(0u, ::SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
    EXPECT_TRUE(blocks_.List().empty());
    for (HTREEITEM node : {blocks_.ScriptingNode(), blocks_.PicturesNode(), blocks_.VideosNode(),
                           blocks_.AnimationsNode(), blocks_.SoundsNode(), blocks_.JavaNode(), blocks_.ActiveXNode()})
        EXPECT_EQ(nullptr, node);
    EXPECT_FALSE(blocks_.IsChecked(Category::Videos));

    blocks_.Build(path_ + ".missing");  // no file: the ActiveX group stays empty
    EXPECT_TRUE(blocks_.IsBuilt());
    EXPECT_EQ(nullptr, Next(blocks_.ActiveXNode(), TVGN_CHILD));
}

TEST_F(BlockTreeTest, ScriptingIndexesWithoutAnOptionShowEnable) {
    blocks_.Build(path_);
    blocks_.SetScriptingIndex(2);
    EXPECT_EQ(2u, blocks_.ScriptingIndex());
    EXPECT_EQ("Prompt with Dialog", ScriptingText());
    blocks_.SetScriptingIndex(5);
    EXPECT_EQ(0u, blocks_.ScriptingIndex());
    EXPECT_EQ("Enable", ScriptingText());
}

TEST(BlockTreeImages, TheCellSizeIsTheLargestDrawnSizeThatFitsTheDpi) {
    EXPECT_EQ(16, TreeImageSizeForDpi(96));
    EXPECT_EQ(16, TreeImageSizeForDpi(120));  // 125 %: 20 pixels would stretch the 16s
    EXPECT_EQ(24, TreeImageSizeForDpi(144));
    EXPECT_EQ(24, TreeImageSizeForDpi(168));
    EXPECT_EQ(32, TreeImageSizeForDpi(192));
    EXPECT_EQ(32, TreeImageSizeForDpi(288));
    EXPECT_EQ(16, TreeImageSizeForDpi(72));
    UniqueImageList images = LoadBlockTreeImages(::GetModuleHandleA(nullptr), 192);
    int cx = 0, cy = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(images.Get(), &cx, &cy));
    EXPECT_EQ(32, cx);
    EXPECT_EQ(15, ::ImageList_GetImageCount(images.Get()));
}
