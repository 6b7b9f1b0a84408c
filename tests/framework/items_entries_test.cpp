// CAdmItemBase, CAdmEntryBase and CAdmListBase in a dialog built from template 102 (and 101),
// driven by user actions: binding, routing of procedures and notifications, painting, and who
// deletes what when.
#include <gmock/gmock.h>

#include <functional>

#include "dialogfw/AdmDialogBase.h"
#include "dialogfw/AdmEntryBase.h"
#include "dialogfw/AdmItemBase.h"
#include "dialogfw/AdmListBase.h"
#include "fixture.h"

namespace {

using subhost::DialogSession;
using subhost::DrawOp;
using ::testing::ElementsAre;

// What the objects of a test saw, in order.
struct Journal {
    std::vector<std::string> events;
    int entriesDeleted = 0;
    int itemsDeleted = 0;
    void Add(std::string event) { events.push_back(std::move(event)); }
};

class JournalEntry : public CAdmEntryBase {
  public:
    JournalEntry(ListRef list, Journal& journal, std::string name)
        : CAdmEntryBase(list, nullptr), journal_(journal), name_(std::move(name)) {
        if (GetEntryRef() != nullptr) {
            sADMEntry->SetText(GetEntryRef(), name_.c_str());
        }
    }
    ~JournalEntry() override { ++journal_.entriesDeleted; }

    void Draw(DrawerRef) override { journal_.Add("draw " + name_); }
    ASBoolean Track(TrackerRef) override {
        journal_.Add("track " + name_);
        return true;
    }
    void Notify(NotifierRef notifier) override {
        journal_.Add("entry " + name_);
        CAdmEntryBase::Notify(notifier);
    }

  private:
    Journal& journal_;
    std::string name_;
};

class JournalItem : public CAdmItemBase {
  public:
    JournalItem(ItemRef item, CAdmDialogBase* owner, Journal& journal)
        : CAdmItemBase(item, owner), journal_(journal) {}
    ~JournalItem() override { ++journal_.itemsDeleted; }

    ASBoolean Track(TrackerRef tracker) override {
        ASInt32 action = 0;
        sADMTracker->GetAction(tracker, &action);
        journal_.Add("track " + std::to_string(action));
        return CAdmItemBase::Track(tracker);
    }
    void Notify(NotifierRef notifier) override {
        journal_.Add("item");
        CAdmItemBase::Notify(notifier);
    }

  private:
    Journal& journal_;
};

// A dialog whose Init is given by the test.
class TestDialog : public CAdmDialogBase {
  public:
    TestDialog(Journal& journal, std::function<void(TestDialog&)> init)
        : journal_(journal), init_(std::move(init)) {}

    ASErr Init() override {
        const ASErr err = CAdmDialogBase::Init();
        if (init_) {
            init_(*this);
        }
        return err;
    }
    void Notify(NotifierRef notifier) override {
        char type[101] = "";
        sADMNotifier->GetNotifierType(notifier, type, sizeof type);
        ItemRef item = nullptr;
        sADMNotifier->GetItem(notifier, &item);
        ASInt32 id = 0;
        if (item != nullptr) {
            sADMItem->GetID(item, &id);
        }
        journal_.Add("dialog " + std::string(type) + " " + std::to_string(id));
        CAdmDialogBase::Notify(notifier);
    }

    ItemRef Item(ASInt32 id) {
        ItemRef item = nullptr;
        sADMDialog->GetItem(GetDialogRef(), id, &item);
        return item;
    }
    ListRef List(ASInt32 id) {
        ListRef list = nullptr;
        sADMItem->GetList(Item(id), &list);
        return list;
    }

    std::vector<std::unique_ptr<CAdmListBase>> lists;

  private:
    Journal& journal_;
    std::function<void(TestDialog&)> init_;
};

class ItemsAndEntries : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
    }

    // Runs dialog RESOURCE modally: INIT builds the objects, SCRIPT acts as the person.
    void Run(int resource, std::function<void(TestDialog&)> init,
             std::function<void(DialogSession&)> script) {
        host().dialogs().QueueScript(std::move(script));
        TestDialog dialog(journal_, std::move(init));
        dialog.Modal(host().self(), "KZN_TEST", resource, 0);
        ASSERT_EQ(host().dialogs().scriptError(), "");
    }

    // Adds rows named NAMES to list item ID.
    void Fill(TestDialog& d, ASInt32 id, std::initializer_list<const char*> names) {
        d.lists.push_back(std::make_unique<CAdmListBase>(d.List(id)));
        for (const char* name : names) {
            new JournalEntry(d.List(id), journal_, name);
        }
    }

    Journal journal_;
};

TEST_F(ItemsAndEntries, EntriesAreBoundToTheirObjectsAndTheListProceduresFindEachOne) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"first", "second", "third"});
        },
        [&](DialogSession& s) {
            EXPECT_THAT(s.Rows(1011), ElementsAre("first", "second", "third"));
            journal_.events.clear();
            s.Paint(1011);
            // The third entry installed the list's procedures last; each row still reaches
            // its own object through the entry's own user data.
            EXPECT_THAT(journal_.events, ElementsAre("draw first", "draw second", "draw third"));
            ASSERT_NE(s.item(1011).list->userData, nullptr);
        });
    EXPECT_EQ(journal_.entriesDeleted, 3);
}

TEST_F(ItemsAndEntries, TheTrackProcedureAnswersForTheRowsObjectAndNoForARowWithout) {
    Run(
        102, [&](TestDialog& d) { Fill(d, 1011, {"bound"}); },
        [&](DialogSession& s) {
            const subhost::List& list = *s.item(1011).list;
            EntryRef bare = nullptr;
            ASSERT_EQ(sADMEntry->Create(list.ref, &bare), 0);  // a row no object owns
            journal_.events.clear();
            EXPECT_TRUE(list.track(list.entries[0]->ref, nullptr));
            // Nothing to ask: the host is told the row was not handled and tracks it itself.
            EXPECT_FALSE(list.track(bare, nullptr));
            EXPECT_THAT(journal_.events, ElementsAre("track bound"));
        });
}

TEST_F(ItemsAndEntries, AClickedRowNotifiesEntryThenItemThenDialog) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"one", "two"});
            new JournalItem(d.Item(1011), &d, journal_);
        },
        [&](DialogSession& s) {
            journal_.events.clear();
            s.ClickRow(1011, 1);
            EXPECT_THAT(journal_.events,
                        ElementsAre("entry two", "item", "dialog ADM User Changed Notifier 1011"));
            const subhost::List& list = *s.item(1011).list;
            EXPECT_EQ(list.active, list.entries[1]);
            EXPECT_TRUE(list.entries[1]->selected);
            EXPECT_FALSE(list.entries[0]->selected);
        });
    EXPECT_EQ(journal_.itemsDeleted, 1);
}

TEST_F(ItemsAndEntries, WithItsProceduresRemovedNothingReachesTheObjectsAndOKStillCloses) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"one"});
            sADMDialog->SetNotifyProc(d.GetDialogRef(), nullptr);
            sADMList->SetNotifyProc(d.List(1011), nullptr);
        },
        [&](DialogSession& s) {
            journal_.events.clear();
            s.ClickRow(1011, 0);
            s.Click(1101);
            EXPECT_TRUE(journal_.events.empty());
            s.Ok();
            EXPECT_FALSE(s.open());
        });
    EXPECT_EQ(host().dialogs().runs().back().itemHit, kOKItemID);
}

TEST_F(ItemsAndEntries, TypingRunsTheEditsTrackAndTheDefaultTrackingAppliesTheText) {
    Run(
        101, [&](TestDialog& d) { new JournalItem(d.Item(1010), &d, journal_); },
        [&](DialogSession& s) {
            const subhost::Item& edit = s.item(1010);
            EXPECT_NE(edit.userData, nullptr);
            EXPECT_NE(edit.draw, nullptr);
            EXPECT_NE(edit.track, nullptr);
            EXPECT_NE(edit.notify, nullptr);
            EXPECT_NE(edit.destroy, nullptr);
            EXPECT_NE(edit.textToFloat, nullptr);
            EXPECT_NE(edit.floatToText, nullptr);
            s.Type(1010, "方言形");
            EXPECT_THAT(journal_.events, ::testing::Contains("track 10"));
            EXPECT_EQ(s.item(1010).text, "方言形");
            s.Type(1009, "untracked");  // no track procedure: the host applies it itself
            EXPECT_EQ(s.item(1009).text, "untracked");
        });
}

TEST_F(ItemsAndEntries, RadioGroupsFollowTheTemplatesGroupBits) {
    Run(
        102,
        [&](TestDialog& d) {
            sADMItem->SetBooleanValue(d.Item(1131), true);
            sADMItem->SetBooleanValue(d.Item(1040), true);
        },
        [&](DialogSession& s) {
            auto on = [&](int id) { return s.item(id).booleanValue; };
            s.Check(1133, true);
            EXPECT_FALSE(on(1131));
            EXPECT_FALSE(on(1132));
            EXPECT_TRUE(on(1133));
            EXPECT_TRUE(on(1040));  // the other group is untouched

            s.Check(1041, true);
            EXPECT_FALSE(on(1040));
            EXPECT_TRUE(on(1041));
            EXPECT_TRUE(on(1133));

            s.Check(1039, true);  // a check box, not a radio of 1040's group
            EXPECT_TRUE(on(1039));
            EXPECT_TRUE(on(1041));
            s.Click(1039);
            EXPECT_FALSE(on(1039));
            EXPECT_THROW(s.Check(1041, false), subhost::ActionError);
        });
}

TEST_F(ItemsAndEntries, ActionsAPersonCouldNotTakeAreRefused) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"one"});
            Fill(d, 1004, {"layer A", "layer B"});
            sADMItem->Enable(d.Item(1018), false);
        },
        [&](DialogSession& s) {
            using subhost::ActionError;
            EXPECT_THROW(s.ClickRow(1011, 1), ActionError);
            EXPECT_THROW(s.ClickRow(1011, -1), ActionError);
            EXPECT_THROW(s.ClickRow(1011, "none"), ActionError);
            EXPECT_THROW(s.ClickRow(1018, 0), ActionError);  // disabled
            EXPECT_THROW(s.ClickRow(1004, 0), ActionError);  // a popup is picked, not clicked
            EXPECT_THROW(s.Pick(1004, "layer C"), ActionError);
            EXPECT_THROW(s.Type(1011, "x"), ActionError);
            EXPECT_THROW(s.Click(1034), ActionError);
            s.Pick(1004, "layer B");
            EXPECT_EQ(s.item(1004).list->active, s.item(1004).list->entries[1]);
        });
}

TEST_F(ItemsAndEntries, RowsHaveGeometryAndOnlyVisibleRowsArePainted) {
    Run(
        101,
        [&](TestDialog& d) {
            Fill(d, 1011, {"r0",  "r1",  "r2",  "r3",  "r4",  "r5",  "r6",  "r7",  "r8",  "r9",
                           "r10", "r11", "r12", "r13", "r14", "r15", "r16", "r17", "r18", "r19"});
        },
        [&](DialogSession& s) {
            // List 1011 of dialog 101 is 143 dialog units high in its 9-point font (base units
            // 6 x 12): 214 pixels, 14 rows showing, the last of them in part.
            journal_.events.clear();
            s.Paint(1011);
            EXPECT_EQ(journal_.events.size(), 14U);
            EXPECT_EQ(journal_.events.back(), "draw r13");

            s.ClickRow(1011, 19);  // a click brings the row into view
            journal_.events.clear();
            s.Paint(1011);
            EXPECT_EQ(journal_.events.front(), "draw r6");
            EXPECT_EQ(journal_.events.back(), "draw r19");
        });
}

TEST_F(ItemsAndEntries, EntryRectanglesAreReportedInTheRowsOwnAndScreenForm) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"a", "b"});
        },
        [&](DialogSession& s) {
            const subhost::Item& item = s.item(1011);
            const EntryRef second = item.list->entries[1]->ref;
            ADMRect bounds{}, local{};
            sADMEntry->GetBoundsRect(second, &bounds);
            sADMEntry->GetLocalRect(second, &local);
            ADMRect screen = local;
            sADMEntry->LocalToScreenRect(second, &screen);
            const int width = item.bounds.right - item.bounds.left;
            // A row's bounds are in its own coordinates, where its drawer paints.
            EXPECT_EQ(bounds.top, 0);
            EXPECT_EQ(bounds.bottom, 16);
            EXPECT_EQ(bounds.right, width);
            EXPECT_EQ(local.top, 0);
            EXPECT_EQ(local.bottom, 16);
            EXPECT_EQ(screen.left, 100 + item.bounds.left);
            EXPECT_EQ(screen.top, 100 + item.bounds.top + 16);
            ASInt32 index = -1;
            sADMEntry->GetIndex(second, &index);
            EXPECT_EQ(index, 1);
        });
}

TEST_F(ItemsAndEntries, WhenTheDialogEndsEveryDestroyProcedureRunsOnceAndNothingIsLeft) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"a", "b", "c"});
            Fill(d, 1017, {"x"});
            Fill(d, 1004, {"layer"});
            new JournalItem(d.Item(1011), &d, journal_);
            new JournalItem(d.Item(1040), &d, journal_);
        },
        [&](DialogSession& s) { s.Cancel(); });
    EXPECT_EQ(journal_.entriesDeleted, 5);
    EXPECT_EQ(journal_.itemsDeleted, 2);
    auto& dialogs = host().dialogs();
    EXPECT_EQ(dialogs.liveDialogs(), 0U);
    EXPECT_EQ(dialogs.liveItems(), 0U);
    EXPECT_EQ(dialogs.liveLists(), 0U);
    EXPECT_EQ(dialogs.liveEntries(), 0U);
    EXPECT_EQ(dialogs.liveImages(), 0U);
    EXPECT_EQ(dialogs.liveDrawers(), 0U);
}

TEST_F(ItemsAndEntries, RemovingAnEntryDeletesItsObjectOnceAndTheDestructorsRequestIsHarmless) {
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"a", "b"});
        },
        [&](DialogSession& s) {
            const ListRef list = s.item(1011).list->ref;
            EXPECT_EQ(sADMList->RemoveEntry(list, 0), 0);
            EXPECT_EQ(journal_.entriesDeleted, 1);
            EXPECT_THAT(s.Rows(1011), ElementsAre("b"));
            EXPECT_EQ(host().dialogs().liveEntries(), 1U);

            // An object deleted by its owner detaches and has the host destroy its entry.
            auto* object = static_cast<CAdmEntryBase*>(s.item(1011).list->entries[0]->userData);
            delete object;
            EXPECT_EQ(journal_.entriesDeleted, 2);
            EXPECT_TRUE(s.Rows(1011).empty());
        });
    EXPECT_EQ(journal_.entriesDeleted, 2);
}

// The destroy procedure finds the row's object without the host's help when the host cannot give
// the user data back, and an object already being deleted is not deleted again.
TEST_F(ItemsAndEntries, ARowsObjectGoesWithItsEntryAlsoWhenItsUserDataCannotBeRead) {
    const ASErr kRefused = FourCharCode('N', 'O', 'P', 'E');
    Run(
        102,
        [&](TestDialog& d) {
            Fill(d, 1011, {"a", "b", "c"});
        },
        [&](DialogSession& s) {
            const ListRef list = s.item(1011).list->ref;
            host().faults().Fail("ADM Entry Suite", "GetUserData", kRefused);
            EXPECT_EQ(sADMList->RemoveEntry(list, 1), 0);
            EXPECT_EQ(journal_.entriesDeleted, 1);
            EXPECT_THAT(s.Rows(1011), ElementsAre("a", "c"));

            // Deleted by its owner while the host cannot clear the user data: the destroy
            // procedure then meets the object being deleted and leaves it alone.
            auto* object = static_cast<CAdmEntryBase*>(s.item(1011).list->entries[0]->userData);
            host().faults().Fail("ADM Entry Suite", "SetUserData", kRefused);
            delete object;
            EXPECT_EQ(journal_.entriesDeleted, 2);
            EXPECT_THAT(s.Rows(1011), ElementsAre("c"));
            s.Cancel();
        });
    EXPECT_EQ(journal_.entriesDeleted, 3);
    EXPECT_EQ(host().dialogs().liveEntries(), 0U);
}

TEST_F(ItemsAndEntries, AfterTheSuitesAreReleasedDeletingObjectsCallsNoHostFunction) {
    Journal journal;
    CAdmItemBase* item = nullptr;
    CAdmEntryBase* entry = nullptr;
    auto* dialog = new TestDialog(journal, [&](TestDialog& d) {
        item = new JournalItem(d.Item(1011), &d, journal);
        entry = new JournalEntry(d.List(1011), journal, "row");
    });
    ASSERT_NE(dialog->Create(host().self(), "KZN_TEST", 102, 0), nullptr);
    ASSERT_EQ(ReleaseSuites(host().basicSuite()), 0);
    const std::size_t mark = host().calls().size();
    delete entry;
    delete item;
    delete dialog;
    EXPECT_EQ(host().calls().size(), mark);
    EXPECT_EQ(journal.entriesDeleted, 1);
    EXPECT_EQ(journal.itemsDeleted, 1);
}

TEST_F(ItemsAndEntries, NullReferencesLeaveObjectsDetachedAndSafeToDelete) {
    const std::size_t mark = host().calls().size();
    Journal journal;
    delete new JournalItem(nullptr, nullptr, journal);
    delete new JournalEntry(ListRef{}, journal, "nothing");
    delete new CAdmEntryBase(EntryRef{}, nullptr);
    delete new CAdmListBase(nullptr);
    EXPECT_EQ(host().calls().size(), mark);
}

// When the host refuses a row (no entry, or the object cannot be handed to it), the row maker
// deletes the object at once and leaves no entry without an object in the list.
TEST_F(ItemsAndEntries, ARowTheHostRefusesIsDeletedAndLeavesNoEntryBehind) {
    const ASErr kRefused = FourCharCode('N', 'O', 'P', 'E');
    struct Refusal {
        const char* suite;
        const char* call;
        bool nullOut;
    };
    for (const Refusal refusal :
         {Refusal{"ADM Entry Suite", "Create", false}, Refusal{"ADM Entry Suite", "Create", true},
          Refusal{"ADM Entry Suite", "SetUserData", false},
          Refusal{"ADM List Suite", "SetDestroyProc", false}}) {
        SCOPED_TRACE(std::string(refusal.call) + (refusal.nullOut ? " null" : " error"));
        Journal journal;
        JournalEntry* refused = nullptr;
        JournalEntry* kept = nullptr;
        Run(
            102,
            [&](TestDialog& d) {
                d.lists.push_back(std::make_unique<CAdmListBase>(d.List(1011)));
                if (refusal.nullOut) {
                    host().faults().NullOut(refusal.suite, refusal.call);
                } else {
                    host().faults().Fail(refusal.suite, refusal.call, kRefused);
                }
                refused = NewListRow<JournalEntry>(d.List(1011), journal, "refused");
                host().faults().Clear();
                kept = NewListRow<JournalEntry>(d.List(1011), journal, "kept");
            },
            [&](DialogSession& s) {
                // (An entry the host made but did not hand over is the host's own to keep.)
                if (!refusal.nullOut) {
                    EXPECT_THAT(s.Rows(1011), ElementsAre("kept"));
                }
                s.Cancel();
            });
        EXPECT_EQ(refused, nullptr);
        EXPECT_NE(kept, nullptr);
        EXPECT_EQ(journal.entriesDeleted, 2);
        EXPECT_EQ(host().dialogs().liveEntries(), 0U);
    }
}

class CountingItem : public JournalItem {
  public:
    using JournalItem::JournalItem;
    ASErr Init() override {
        ++inits;
        return kNoErr;
    }
    int inits = 0;
};

TEST_F(ItemsAndEntries, ACreatedItemRunsItsInitAndGoesWithItsObject) {
    Journal journal;
    auto* dialog = new TestDialog(journal, nullptr);
    ASSERT_NE(dialog->Create(host().self(), "KZN_TEST", 101, 0), nullptr);
    const std::size_t before = host().dialogs().liveItems();

    auto* item = new CountingItem(nullptr, dialog, journal);
    const ItemRef ref =
        item->Create(dialog->GetDialogRef(), ADMRect{10, 10, 60, 30}, kADMTextEditType, 2000);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(item->GetItemRef(), ref);
    EXPECT_EQ(item->inits, 1);
    EXPECT_EQ(host().dialogs().liveItems(), before + 1);
    const subhost::Item& created = host().dialogs().Get(ref);
    EXPECT_EQ(created.kind, subhost::ItemKind::Edit);
    EXPECT_EQ(created.userData, static_cast<CAdmItemBase*>(item));
    EXPECT_NE(created.notify, nullptr);

    float value = 0;
    EXPECT_TRUE(item->TextToFloat("2.5", &value));
    EXPECT_EQ(value, 2.5F);
    EXPECT_FALSE(item->TextToFloat("abc", &value));
    char text[16] = "";
    EXPECT_TRUE(item->FloatToText(0.25F, text, sizeof text));
    EXPECT_STREQ(text, "0.25");

    delete item;
    EXPECT_EQ(journal.itemsDeleted, 1);
    EXPECT_EQ(host().dialogs().liveItems(), before);
    delete dialog;
    EXPECT_EQ(host().dialogs().liveItems(), 0U);
}

TEST_F(ItemsAndEntries, TipsComeFromTheModulesStringTable) {
    char tip[256] = "";
    ASSERT_EQ(sADMBasic->GetIndexString(host().self(), 1021, 0, tip, 255), 0);
    EXPECT_STREQ(tip, "シンボルの登録を解除");
    EXPECT_NE(sADMBasic->GetIndexString(host().self(), 4711, 0, tip, 255), 0);
    EXPECT_STREQ(tip, "");
}

TEST_F(ItemsAndEntries, ImagesRecordWhatIsDrawnIntoThemAndRowsDrawThem) {
    ImageRef image = nullptr;
    ASSERT_EQ(sADMImage->Create(12, 12, &image), 0);
    DrawerRef drawer = nullptr;
    ASSERT_EQ(sADMImage->BeginADMDrawer(image, &drawer), 0);
    ADMRect bounds{};
    sADMDrawer->GetBoundsRect(drawer, &bounds);
    EXPECT_EQ(bounds.right, 12);
    const ADMRect all{0, 0, 11, 11};
    sADMDrawer->SetADMColor(drawer, kADMWhiteColor);
    sADMDrawer->FillRect(drawer, &all);
    ASSERT_EQ(sADMImage->EndADMDrawer(image), 0);
    EXPECT_NE(sADMDrawer->FillRect(drawer, &all), 0);  // the drawer ended with the drawing
    const subhost::Image& recorded = host().dialogs().Get(image);
    ASSERT_EQ(recorded.painted.size(), 2U);
    EXPECT_EQ(recorded.painted[1].Show(), "fill (0,0)-(11,11) colour 1");
    ASSERT_EQ(sADMImage->Destroy(image), 0);
    EXPECT_EQ(host().dialogs().liveImages(), 0U);
    EXPECT_NE(sADMImage->Destroy(image), 0);
}

}  // namespace
