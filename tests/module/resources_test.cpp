// The resources kzn.aip carries, read back from the file as the host reads them.
#include <gtest/gtest.h>
#include <strings.h>

#ifdef _WIN32
#include "subhost/loader/pefile.h"
#else
#include "subhost/loader/elffile.h"
#endif
#include "support/harness.h"

namespace {

using subhost::ResourceId;

class Resources : public ::testing::Test {
  protected:
    void SetUp() override { module_ = subhost::PluginModule::Load(kzntest::ModulePath()); }
    const subhost::ResourceSet& resources() const { return module_->resources(); }
    std::unique_ptr<subhost::PluginModule> module_;
};

TEST_F(Resources, PropertyListIsTheExact114Bytes) {
    const subhost::Resource* pipl =
        resources().Find(ResourceId::Name("PIPL"), ResourceId::Number(16000));
    ASSERT_NE(pipl, nullptr);
    const std::string expected(
        "\x01\x00"
        "\x00\x00\x00\x00"
        "\x03\x00\x00\x00"
        "EBDAdnik\x00\x00\x00\x00\x04\x00\x00\x00"
        "AEPS"
        "EBDAsrvi\x00\x00\x00\x00\x04\x00\x00\x00\x02\x00\x00\x00"
        "EBDA68xw\x00\x00\x00\x00\x0c\x00\x00\x00PluginMain\x00\x00"
        "EBDAtpxe\x00\x00\x00\x00\x14\x00\x00\x00\x01\x00\x00\x00\x0c\x00\x00\x00none\x00\x00\x00"
        "\x00\x01\x00\x00\x00",
        114);
    EXPECT_EQ(std::string(pipl->data.begin(), pipl->data.end()), expected);
    EXPECT_EQ(module_->pipl().count, 3U);
    EXPECT_EQ(module_->pipl().properties.size(), 4U);
    EXPECT_EQ(module_->entryName(), "PluginMain");
}

TEST_F(Resources, EveryResourceIsJapanese) {
    ASSERT_FALSE(resources().all().empty());
    for (const subhost::Resource& r : resources().all()) {
        EXPECT_EQ(r.language, 1041) << r.type.Show() << " " << r.name.Show();
    }
}

struct ExpectedItem {
    int id;
    const char* className;
    const char* text;
    subhost::DialogRect rect;
    std::uint32_t style;
};

struct ExpectedDialog {
    int id;
    const char* title;
    int width, height;
    int pointSize;
    const char* font;
    std::vector<ExpectedItem> items;
};

const char kPopup[] = "ADM Popup List Type";
const char kPicture[] = "ADM Picture Push Button Type";
const char kAdmList[] = "ADM List Box Type";

const std::vector<ExpectedDialog> kDialogs = {
    {101,
     "ﾃｷｽﾄ→ﾃｷｽﾄ",
     289,
     195,
     9,
     "ＭＳ Ｐゴシック",
     {
         {1004, kPopup, "Custom1", {38, 3, 81, 12}, 0x50010000},
         {65535, "STATIC", "レイヤ：", {7, 4, 26, 11}, 0x50020000},
         {1101, kPicture, "Custom1", {131, 2, 14, 15}, 0x50010000},
         {1011, "LISTBOX", "", {7, 46, 221, 143}, 0x50A10100},
         {1009, "EDIT", "", {37, 25, 81, 14}, 0x50810080},
         {1010, "EDIT", "", {130, 25, 97, 14}, 0x50810080},
         {65535, "STATIC", "変換：", {11, 27, 23, 12}, 0x50020000},
         {65535, "STATIC", "→", {121, 29, 9, 10}, 0x50020000},
         {1, "BUTTON", "OK", {235, 46, 50, 14}, 0x50010001},
         {2, "BUTTON", "ｷｬﾝｾﾙ", {235, 63, 50, 14}, 0x50010000},
         {1102, kPicture, "SaveAs", {148, 2, 14, 15}, 0x50010000},
         {1034, "STATIC", "", {165, 6, 120, 11}, 0x50020000},
     }},
    {102,
     "ﾃｷｽﾄ→ｵﾌﾞｼﾞｪｸﾄ",
     395,
     247,
     8,
     "MS Sans Serif",
     {
         {1004, kPopup, "Custom1", {38, 2, 81, 12}, 0x50010000},
         {1101, kPicture, "Custom1", {131, 2, 14, 15}, 0x50010000},
         {1102, kPicture, "SaveAs", {148, 2, 14, 15}, 0x50010000},
         {1017, kAdmList, "Candidate", {171, 37, 66, 143}, 0x50000000},
         {1019, kPicture, "Custom1", {243, 43, 14, 15}, 0x50000000},
         {1020, kPicture, "Custom1", {243, 65, 14, 15}, 0x50000000},
         {1022, kPicture, "Custom1", {243, 87, 14, 15}, 0x50000000},
         {1021, kPicture, "Custom1", {243, 164, 14, 15}, 0x50000000},
         {1131, "BUTTON", "リスト中のテキストを全て削除", {12, 197, 147, 9}, 0x50020009},
         {1132, "BUTTON", "置換処理されないテキストを残す", {12, 209, 147, 9}, 0x50000009},
         {1133, "BUTTON", "全てのテキストを残す", {12, 221, 147, 9}, 0x50000009},
         {65535, "BUTTON", "テキストオブジェクト", {7, 186, 157, 49}, 0x50000007},
         {1040, "BUTTON", "テキストと同じレイヤで置換", {177, 196, 110, 11}, 0x50020009},
         {1041, "BUTTON", "新しいレイヤを作成する", {177, 209, 110, 11}, 0x50000009},
         {1039, "BUTTON", "併用地点のレイヤを作成する", {189, 221, 110, 8}, 0x50010003},
         {65535, "BUTTON", "置換先の指定", {171, 186, 153, 49}, 0x50000007},
         {1, "BUTTON", "OK", {337, 39, 50, 14}, 0x50010001},
         {2, "BUTTON", "ｷｬﾝｾﾙ", {337, 57, 50, 14}, 0x50010000},
         {65535, "STATIC", "レイヤ：", {8, 3, 26, 11}, 0x50020000},
         {65535, "STATIC", "置換対象", {11, 24, 109, 12}, 0x50020000},
         {65535, "STATIC", "置換後", {174, 24, 61, 12}, 0x50020000},
         {65535, "STATIC", "パターン一覧", {265, 24, 60, 12}, 0x50020000},
         {1034, "STATIC", "", {165, 4, 140, 12}, 0x50020000},
         {1018, kAdmList, "Candidate", {265, 37, 66, 143}, 0x50000000},
         {1011, kAdmList, "Candidate", {5, 37, 159, 143}, 0x50000000},
     }},
    {103,
     "ｵﾌﾞｼﾞｪｸﾄ→ｵﾌﾞｼﾞｪｸﾄ",
     287,
     191,
     9,
     "ＭＳ Ｐゴシック",
     {
         {1, "BUTTON", "OK", {231, 39, 50, 14}, 0x50010001},
         {2, "BUTTON", "ｷｬﾝｾﾙ", {231, 57, 50, 14}, 0x50010000},
         {1016, kPopup, "Custom1", {38, 2, 81, 12}, 0x50010000},
         {65535, "STATIC", "レイヤ：", {7, 3, 26, 11}, 0x50020000},
         {1013, kAdmList, "Custom1", {145, 22, 78, 155}, 0x50010000},
         {1101, kPicture, "Custom1", {131, 2, 14, 15}, 0x50010000},
         {1102, kPicture, "SaveAs", {148, 2, 14, 15}, 0x50010000},
         {1011, kAdmList, "Custom1", {4, 22, 136, 155}, 0x50000000},
         {1021, kPicture, "SaveAs", {117, 179, 22, 9}, 0x50010000},
         {1034, "STATIC", "", {165, 6, 120, 11}, 0x50020000},
     }},
};

TEST_F(Resources, DialogTemplatesHoldEveryItemAsDesigned) {
    for (const ExpectedDialog& want : kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        const subhost::DialogTemplate* d = module_->Dialog(want.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->style, 0x80C000C0U);
        EXPECT_EQ(d->title, want.title);
        EXPECT_EQ(d->rect.width, want.width);
        EXPECT_EQ(d->rect.height, want.height);
        EXPECT_EQ(d->pointSize, want.pointSize);
        EXPECT_EQ(d->font, want.font);
        ASSERT_EQ(d->items.size(), want.items.size());
        for (std::size_t i = 0; i < want.items.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i));
            const subhost::ItemTemplate& got = d->items[i];
            const ExpectedItem& item = want.items[i];
            EXPECT_EQ(got.id, item.id);
            // Class names are case-insensitive to Windows; the resource compiler stores named
            // classes in capitals. The standard classes are stored as their atoms.
            EXPECT_EQ(strcasecmp(got.className.c_str(), item.className), 0) << got.className;
            const bool standard = got.className == "BUTTON" || got.className == "STATIC" ||
                                  got.className == "EDIT" || got.className == "LISTBOX";
            EXPECT_EQ(got.classAtom != 0, standard) << got.className;
            EXPECT_EQ(got.text, item.text);
            EXPECT_EQ(got.rect, item.rect);
            EXPECT_EQ(got.style, item.style);
        }
    }
}

TEST_F(Resources, StringTableHoldsTheTipsAndThePlaceholder) {
    const std::map<int, std::string> expected = {
        {1019, "シンボルを上位に移動"}, {1020, "シンボルを追加"}, {1021, "シンボルの登録を解除"},
        {1022, "シンボルを下位に移動"}, {1101, "ファイルを開く"}, {1102, "ファイルに出力"},
        {16000, "<MAC String Index>"},
    };
    EXPECT_EQ(module_->strings(), expected);
}

TEST_F(Resources, IconGroupsHoldOneSixteenColourIconEach) {
    const subhost::Resource* open =
        resources().Find(ResourceId::Number(subhost::kIconGroupType), ResourceId::Number(107));
    const subhost::Resource* save =
        resources().Find(ResourceId::Number(subhost::kIconGroupType), ResourceId::Number(108));
    ASSERT_NE(open, nullptr);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(subhost::IconGroupMembers(open->data), std::vector<std::uint16_t>{1});
    EXPECT_EQ(subhost::IconGroupMembers(save->data), std::vector<std::uint16_t>{2});
}

class Icons : public Resources {
  protected:
    subhost::IconImage Icon(int id) {
        const subhost::Resource* r =
            resources().Find(ResourceId::Number(subhost::kIconType), ResourceId::Number(id));
        EXPECT_NE(r, nullptr);
        return r ? subhost::IconImage::Parse(r->data) : subhost::IconImage{};
    }
    static std::uint32_t Colour(const subhost::IconImage& icon, int x, int y) {
        const std::optional<int> index = icon.Pixel(x, y);
        return index ? icon.palette.at(static_cast<std::size_t>(*index)) : 0xFFFFFFFFU;
    }
    static constexpr std::uint32_t kTransparent = 0xFFFFFFFFU;
    static constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kNavy = 0x000080;
};

TEST_F(Icons, AreThirtyTwoSquareWithSixteenColours) {
    for (int id : {1, 2}) {
        const subhost::IconImage icon = Icon(id);
        EXPECT_EQ(icon.width, 32);
        EXPECT_EQ(icon.height, 32);
        EXPECT_EQ(icon.bitCount, 4);
        EXPECT_EQ(icon.palette.size(), 16U);
    }
}

TEST_F(Icons, ShowATableWithATitleBarAndTransparentSurroundings) {
    for (int id : {1, 2}) {
        SCOPED_TRACE(id);
        const subhost::IconImage icon = Icon(id);
        EXPECT_EQ(Colour(icon, 0, 0), kTransparent);
        EXPECT_EQ(Colour(icon, 31, 0), kTransparent);
        EXPECT_EQ(Colour(icon, 0, 31), kTransparent);
        EXPECT_EQ(Colour(icon, 10, 6), kNavy);   // title bar
        EXPECT_EQ(Colour(icon, 5, 10), kBlack);  // a bar of the first column
        EXPECT_EQ(Colour(icon, 5, 11), kWhite);  // the body between bars
    }
    // Icon 1 keeps its lower right corner clear; icon 2 has the floppy disk there.
    EXPECT_EQ(Colour(Icon(1), 31, 31), kTransparent);
    EXPECT_EQ(Colour(Icon(2), 31, 31), kBlack);
    EXPECT_EQ(Colour(Icon(2), 22, 18), 0xC0C0C0U);  // the disk's shutter
}

#ifdef _WIN32

TEST(ModuleFile, IsADllForThisBuildsMachineThatExportsPluginMainAndNothingElse) {
    const subhost::PeFile file(subhost::ReadFileBytes(kzntest::ModulePath()));
#ifdef _WIN64
    EXPECT_EQ(file.machine(), subhost::kMachineAmd64);
    EXPECT_TRUE(file.pe32plus());
#else
    EXPECT_EQ(file.machine(), subhost::kMachineI386);
    EXPECT_TRUE(file.pe32());
#endif
    EXPECT_TRUE(file.dll());
    EXPECT_EQ(file.ExportedSymbols(), std::vector<std::string>{"PluginMain"});
}

#else

TEST(ModuleFile, ExportsPluginMainAndNothingElse) {
    const subhost::ElfFile file(subhost::ReadFileBytes(kzntest::ModulePath()));
    EXPECT_EQ(file.ExportedSymbols(), std::vector<std::string>{"PluginMain"});
}

#endif

}  // namespace
