#include "tests/platform/outlook/store_fixture.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using PersistenceTest = StoreTest;

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string ErrorOpening(const std::string& path) {
    try {
        OpenOutlookStore(path, true, u"14.0", OutlookHooks{});
    } catch (const _com_error& e) {
        return std::string(e.Description().begin(), e.Description().end());
    }
    return "no error";
}

// Runs body in a child process and returns its exit status.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 1;
        try {
            status = body();
        } catch (...) {
        }
        _exit(status);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PersistenceTest, AFileThatIsNotAStoreIsLeftAsItIs) {
    const std::string text = folder_.Write("notes.txt", std::string(4096, 'x'));
    EXPECT_NE(ErrorOpening(text).find("is not a calendar store"), std::string::npos);
    EXPECT_EQ(FileBytes(text), std::string(4096, 'x'));
}

TEST_F(PersistenceTest, ADamagedStoreIsReportedAndNotOverwritten) {
    NewAppointment(Local(2007, 3, 5, 9), 60, u"Kept");
    outlook_.Release();
    std::string bytes = FileBytes(StorePath());
    ASSERT_GT(bytes.size(), 100u);
    bytes.replace(0, 16, "garbage garbage!"); // the SQLite header
    const std::string damaged = folder_.Write("damaged.db", bytes);
    EXPECT_NE(ErrorOpening(damaged).find("not a calendar store"), std::string::npos);
    EXPECT_EQ(FileBytes(damaged), bytes);
}

TEST_F(PersistenceTest, AStoreWhoseJournalCannotBeOpenedIsNotCalledDamaged) {
    NewAppointment(Local(2007, 3, 5, 9), 60, u"Kept");
    outlook_.Release();
    const std::string bytes = FileBytes(StorePath());
    ASSERT_EQ(::mkdir((StorePath() + "-wal").c_str(), 0700), 0);
    const std::string error = ErrorOpening(StorePath());
    EXPECT_NE(error.find("cannot be opened"), std::string::npos) << error;
    EXPECT_EQ(error.find("not a calendar store"), std::string::npos) << error;
    ::rmdir((StorePath() + "-wal").c_str());
    EXPECT_EQ(FileBytes(StorePath()), bytes);
    EXPECT_EQ(ErrorOpening(StorePath()), "no error");
}

TEST_F(PersistenceTest, AnotherProgramsDatabaseIsNotAStore) {
    const std::string other = folder_.File("other.db");
    { CComPtr<_Application> store = OpenOutlookStore(other, true, u"14.0", OutlookHooks{}); }
    {
        // The marker at offset 68 of the header names the program owning the file.
        std::fstream file(other, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(68);
        file.write("ABCD", 4);
    }
    const std::string before = FileBytes(other);
    EXPECT_NE(ErrorOpening(other).find("another program"), std::string::npos);
    EXPECT_EQ(FileBytes(other), before);
}

TEST_F(PersistenceTest, MissingStoreIsCreatedOnlyWhenAsked) {
    EXPECT_THROW(OpenOutlookStore(folder_.File("none.db"), false, u"14.0", OutlookHooks{}),
                 _com_error);
    EXPECT_EQ(::access(folder_.File("none.db").c_str(), F_OK), -1);
}

TEST_F(PersistenceTest, AStoreWrittenByOneProcessIsReadByAnother) {
    const int status = InChild([&] {
        CComPtr<_Application> child = OpenOutlookStore(StorePath(), false, u"14.0", OutlookHooks{});
        CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(
            child->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add());
        item->PutStart(Local(2007, 3, 5, 9));
        item->PutSubject(u"From the child");
        item->Save();
        return 0;
    });
    ASSERT_EQ(status, 0);
    CComPtr<_Items> items = Calendar()->GetItems();
    ASSERT_EQ(items->GetCount(), 1);
    CComPtr<_AppointmentItem> item = Appointment(items->Item(_variant_t(1, VT_INT)));
    EXPECT_EQ(item->GetSubject(), u"From the child");
    EXPECT_EQ(item->GetStart(), Local(2007, 3, 5, 9));
}

TEST_F(PersistenceTest, TwoProcessesSavingAtOnceLoseNothing) {
    constexpr int kEach = 150;
    auto writer = [&](const char16_t* subject) {
        return [&, subject] {
            CComPtr<_Application> app = OpenOutlookStore(StorePath(), false, u"14.0", {});
            CComPtr<_Items> items =
                app->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
            for (int i = 0; i < kEach; ++i) {
                CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(items->Add());
                item->PutStart(Local(2007, 3, 5, 9) + i);
                item->PutSubject(subject);
                item->Save();
            }
            return 0;
        };
    };
    const pid_t first = fork();
    if (first == 0) {
        int status = 1;
        try {
            status = writer(u"first")();
        } catch (...) {
        }
        _exit(status);
    }
    EXPECT_EQ(InChild(writer(u"second")), 0);
    int status = -1;
    waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Calendar()->GetItems()->GetCount(), 2 * kEach);
    EXPECT_EQ(Calendar()->GetItems()->Restrict(u"[Subject] = 'first'")->GetCount(), kEach);
}

TEST_F(PersistenceTest, ASaveWaitsWhileAnotherProcessWrites) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        int status = 1;
        try {
            CComPtr<_Application> app = OpenOutlookStore(StorePath(), false, u"14.0", {});
            StoreTransaction transaction(app);
            CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(
                app->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add());
            item->PutSubject(u"held");
            item->Save();
            (void)!write(ready[1], "x", 1);
            usleep(300 * 1000);
            transaction.Commit();
            status = 0;
        } catch (...) {
        }
        _exit(status);
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    NewAppointment(Local(2007, 3, 5, 9), 30, u"waited"); // blocks until the holder commits
    int status = -1;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Calendar()->GetItems()->GetCount(), 2);
    close(ready[0]);
    close(ready[1]);
}

} // namespace
