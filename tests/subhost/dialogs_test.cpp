// The dialog manager: dialogs built from templates, and user actions a person could or could not
// take.
#include <gtest/gtest.h>

#include "subhost/error.h"
#include "support/harness.h"

namespace {

using kzntest::LoadedHost;
using subhost::ItemKind;

TEST(ItemKinds, FollowTheTemplateClassAndStyle) {
    auto host = LoadedHost();
    const subhost::DialogTemplate* d = host->module().Dialog(102);
    ASSERT_NE(d, nullptr);
    std::map<int, ItemKind> kinds;
    for (const auto& item : d->items) {
        kinds[item.id] = subhost::KindOf(item);
    }
    EXPECT_EQ(kinds[1004], ItemKind::PopupList);
    EXPECT_EQ(kinds[1011], ItemKind::AdmListBox);
    EXPECT_EQ(kinds[1101], ItemKind::PictureButton);
    EXPECT_EQ(kinds[1131], ItemKind::RadioButton);
    EXPECT_EQ(kinds[1039], ItemKind::CheckBox);
    EXPECT_EQ(kinds[1], ItemKind::DefaultButton);
    EXPECT_EQ(kinds[2], ItemKind::PushButton);
    const subhost::DialogTemplate* t2t = host->module().Dialog(101);
    EXPECT_EQ(subhost::KindOf(t2t->items[3]), ItemKind::ListBox);
    EXPECT_EQ(subhost::KindOf(t2t->items[4]), ItemKind::Edit);
    EXPECT_EQ(subhost::KindOf(t2t->items[1]), ItemKind::Static);
}

// Runs t2t with SCRIPT and returns what the script reported.
std::string RunT2T(subhost::Host& host, subhost::DialogScript script) {
    host.dialogs().QueueScript(std::move(script));
    EXPECT_EQ(host.RunFilter("t2t"), 0);
    return host.dialogs().scriptError();
}

TEST(Actions, APersonCannotActOnWhatIsNotThere) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    EXPECT_EQ(RunT2T(*host, [](subhost::DialogSession& s) { s.Click(77); }),
              "the dialog has no item 77");
    EXPECT_EQ(RunT2T(*host, [](subhost::DialogSession& s) { s.Click(1034); }),
              "item 1034 is a static text, not a button");
    EXPECT_EQ(RunT2T(*host,
                     [](subhost::DialogSession& s) {
                         s.Cancel();
                         s.Ok();
                     }),
              "no dialog is open");
    EXPECT_EQ(host->dialogs().runs().back().itemHit, kCancelItemID);
    // Every dialog was still closed and destroyed.
    EXPECT_EQ(host->dialogs().liveDialogs(), 0U);
    EXPECT_EQ(host->dialogs().liveItems(), 0U);
}

TEST(Actions, AScriptThatEndsWithTheDialogOpenCancelsIt) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    EXPECT_EQ(RunT2T(*host, [](subhost::DialogSession&) {}), "");
    EXPECT_TRUE(host->dialogs().cancelledOpenDialog());
    EXPECT_EQ(host->dialogs().runs().back().itemHit, kCancelItemID);

    EXPECT_EQ(RunT2T(*host, [](subhost::DialogSession& s) { s.Ok(); }), "");
    EXPECT_FALSE(host->dialogs().cancelledOpenDialog());
    EXPECT_EQ(host->dialogs().runs().back().itemHit, kOKItemID);
}

TEST(Handles, AStaleDialogHandleIsAHostErrorNotAnAccessToFreedMemory) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    DialogRef seen = nullptr;
    RunT2T(*host, [&](subhost::DialogSession& s) { seen = s.dialog().ref; });
    ASSERT_NE(seen, nullptr);
    EXPECT_THROW(host->dialogs().Get(seen), subhost::HostError);
    EXPECT_THROW(host->dialogs().Get(DialogRef{}), subhost::HostError);
}

}  // namespace
