// CAdmDialogBase: how the host's procedures reach the object, and who deletes it.
#include "dialogfw/AdmDialogBase.h"
#include "fixture.h"
#include "subhost/error.h"

namespace {

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

struct Probe {
    int inits = 0;
    int destroys = 0;
    int deleted = 0;
    std::vector<std::string> notified;
};

class ProbeDialog : public CAdmDialogBase {
  public:
    explicit ProbeDialog(Probe& probe) : probe_(probe) {}
    ~ProbeDialog() override { ++probe_.deleted; }

    ASErr Init() override {
        ++probe_.inits;
        return CAdmDialogBase::Init();
    }
    void Notify(NotifierRef notifier) override {
        char type[101] = "";
        sADMNotifier->GetNotifierType(notifier, type, sizeof type);
        probe_.notified.emplace_back(type);
        CAdmDialogBase::Notify(notifier);
    }
    void Destroy() override { ++probe_.destroys; }

  private:
    Probe& probe_;
};

class DialogBase : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
    }
};

TEST_F(DialogBase, ModalRunReachesTheObjectAndKeepsItAfterTheDialogIsGone) {
    Probe probe;
    auto* dialog = new ProbeDialog(probe);
    host().dialogs().QueueScript([](subhost::DialogSession& s) { s.Ok(); });

    EXPECT_EQ(dialog->Modal(host().self(), "KZN_TEST", 101, 0), kOKItemID);

    EXPECT_EQ(probe.inits, 1);
    EXPECT_EQ(probe.notified,
              (std::vector<std::string>{"ADM Show Window Notifier", "ADM User Changed Notifier"}));
    EXPECT_EQ(probe.destroys, 1);
    EXPECT_EQ(probe.deleted, 0);
    EXPECT_EQ(dialog->GetDialogRef(), nullptr);
    EXPECT_EQ(host().dialogs().liveDialogs(), 0U);

    const std::size_t mark = host().calls().size();
    delete dialog;
    EXPECT_EQ(probe.deleted, 1);
    EXPECT_EQ(host().calls().size(), mark);
}

TEST_F(DialogBase, InitWithoutUserDataAnswersPARMAndTouchesNoObject) {
    Probe probe;
    ProbeDialog dialog(probe);
    host().faults().Fail("ADM Dialog Suite", "GetUserData", kFail);
    dialog.Modal(host().self(), "KZN_TEST", 102, 0);
    ASSERT_EQ(host().dialogs().runs().size(), 1U);
    EXPECT_EQ(host().dialogs().runs()[0].initResult, kBadParameterErr);
    EXPECT_EQ(probe.inits, 0);
    EXPECT_TRUE(probe.notified.empty());
}

TEST_F(DialogBase, NonModalDialogIsDeletedByItsDestroyProcedure) {
    Probe probe;
    auto* dialog = new ProbeDialog(probe);
    const DialogRef ref = dialog->Create(host().self(), "KZN_TEST", 103, 0);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(dialog->GetDialogRef(), ref);
    EXPECT_EQ(probe.inits, 1);
    EXPECT_EQ(probe.notified, std::vector<std::string>{"ADM Show Window Notifier"});

    const std::size_t mark = host().calls().size();
    host().dialogs().Close(ref);
    EXPECT_EQ(probe.destroys, 1);
    EXPECT_EQ(probe.deleted, 1);
    EXPECT_EQ(host().dialogs().liveDialogs(), 0U);
    // The object let go of the dialog before it was deleted: its destructor did not ask the
    // host to destroy the dialog that was being destroyed.
    EXPECT_EQ(kzntest::CountCalls(host(), "ADM Dialog Suite", "Destroy", mark), 0);
    EXPECT_TRUE(host().errors().empty());
}

// A dialog whose destroy handling asks the host to destroy it once more.
class ReentrantDialog : public CAdmDialogBase {
  public:
    explicit ReentrantDialog(ASErr& result) : result_(result) {}
    void Destroy() override { result_ = sADMDialog->Destroy(GetDialogRef()); }

  private:
    ASErr& result_;
};

TEST_F(DialogBase, TheHostRefusesToDestroyADialogThatIsBeingDestroyed) {
    ASErr result = kNoErr;
    auto* dialog = new ReentrantDialog(result);
    const DialogRef ref = dialog->Create(host().self(), "KZN_TEST", 101, 0);
    ASSERT_NE(ref, nullptr);
    host().dialogs().Close(ref);
    EXPECT_EQ(result, subhost::kBadArgumentErr);
    EXPECT_EQ(host().errors(),
              std::vector<std::string>{
                  "ADM Dialog Suite/Destroy: the dialog is being destroyed already"});
    EXPECT_EQ(host().dialogs().liveDialogs(), 0U);
    EXPECT_EQ(host().dialogs().runs().back().destroyed, true);
}

TEST_F(DialogBase, DeletingANonModalDialogDetachesItAndAsksTheHostToDestroyIt) {
    Probe probe;
    auto* dialog = new ProbeDialog(probe);
    ASSERT_NE(dialog->Create(host().self(), "KZN_TEST", 101, 0), nullptr);
    const std::size_t mark = host().calls().size();
    delete dialog;
    EXPECT_EQ(probe.deleted, 1);
    EXPECT_EQ(probe.destroys, 0);  // the destroy procedure was removed first
    EXPECT_EQ(host().dialogs().liveDialogs(), 0U);
    EXPECT_EQ(kzntest::CountCalls(host(), "ADM Dialog Suite", "Destroy", mark), 1);
    EXPECT_EQ(kzntest::CountCalls(host(), "ADM Dialog Suite", "SetUserData", mark), 1);
}

TEST_F(DialogBase, FailedCreateLeavesTheObjectWithoutDialogAndItsDeletionCallsNothing) {
    Probe probe;
    auto* dialog = new ProbeDialog(probe);
    host().faults().Fail("ADM Dialog Suite", "Create", kFail);
    EXPECT_EQ(dialog->Create(host().self(), "KZN_TEST", 101, 0), nullptr);
    const std::size_t mark = host().calls().size();
    delete dialog;
    EXPECT_EQ(host().calls().size(), mark);
}

TEST_F(DialogBase, ANonModalDialogOutlivingTheSuitesIsDeletedWithoutCallingTheHost) {
    Probe probe;
    auto* dialog = new ProbeDialog(probe);
    const DialogRef ref = dialog->Create(host().self(), "KZN_TEST", 101, 0);
    ASSERT_NE(ref, nullptr);
    ASSERT_EQ(ReleaseSuites(host().basicSuite()), 0);
    const std::size_t mark = host().calls().size();
    delete dialog;
    EXPECT_EQ(host().calls().size(), mark);
    EXPECT_EQ(host().dialogs().liveDialogs(), 1U);  // the host still has it
}

TEST_F(DialogBase, ADialogWithoutTemplateIsNotShown) {
    Probe probe;
    ProbeDialog dialog(probe);
    dialog.Modal(host().self(), "KZN_TEST", 999, 0);
    EXPECT_EQ(probe.inits, 0);
    EXPECT_TRUE(host().dialogs().runs().empty());
    EXPECT_EQ(host().errors().back(),
              "ADM Dialog Suite/Modal: the module has no dialog template 999");
}

}  // namespace
