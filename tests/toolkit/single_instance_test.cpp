// The real program started several times in one user session: exactly one
// keeps running, and a crashed run leaves nothing that blocks the next.
// Without a runtime folder the lock lives in a folder of the user's own in
// TMPDIR, and one that someone else made there first is not used.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SingleInstance : public testing::Test {
protected:
    void SetUp() override
    {
        runtime_ = fs::temp_directory_path() /
            ("tarvisk-instance-" + std::to_string(getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(runtime_);
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all);
    }
    void TearDown() override
    {
        StopAll();
        fs::remove_all(runtime_);
    }
    void StopAll()
    {
        for (pid_t pid : started_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        started_.clear();
    }

    // Without a runtime folder, TMPDIR is the test's own folder.
    pid_t Start()
    {
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "HOME=" + runtime_.string(),
                                        (in_tmp_ ? "TMPDIR=" : "XDG_RUNTIME_DIR=") + runtime_.string()};
        // The tests' silent sound output.
        for (const char* name : {"PULSE_SERVER", "ALSA_CONFIG_PATH"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string exe = TARVISK_EXECUTABLE;
        char* argv[] = {exe.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        std::string out = (runtime_ / ("output-" + std::to_string(starts_++) + ".txt")).string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        started_.push_back(pid);
        return pid;
    }

    // Waits for the process to end; false if it still runs after the limit.
    static bool Ended(pid_t pid, int& status, std::chrono::seconds limit = 20s)
    {
        auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    fs::path TmpFolder() const { return runtime_ / ("tarvisk-" + std::to_string(getuid())); }
    fs::path LockFile() const { return (in_tmp_ ? TmpFolder() : runtime_) / "tarvisk.lock"; }

    // True once some process holds the instance lock.
    bool LockHeld() const
    {
        int fd = open(LockFile().c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return false;
        bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
        close(fd); // releases it again if we took it
        return held;
    }
    bool WaitForLock() const
    {
        for (int i = 0; i < 2000 && !LockHeld(); ++i)
            std::this_thread::sleep_for(10ms);
        return LockHeld();
    }
    void Forget(pid_t pid) { std::erase(started_, pid); }
    // What the n-th start (from 0) printed.
    std::string Output(int n) const
    {
        std::ifstream in(runtime_ / ("output-" + std::to_string(n) + ".txt"));
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path runtime_;
    bool in_tmp_ = false;
    int starts_ = 0;
    std::vector<pid_t> started_;
};

TEST_F(SingleInstance, SecondStartEndsAtOnceAndSilently)
{
    for (bool in_tmp : {false, true}) {
        SCOPED_TRACE(in_tmp ? "lock in TMPDIR" : "lock in the runtime folder");
        in_tmp_ = in_tmp;
        pid_t first = Start();
        ASSERT_TRUE(WaitForLock());
        pid_t second = Start();
        int status = 0;
        ASSERT_TRUE(Ended(second, status)) << "the second start keeps running";
        Forget(second);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(Output(starts_ - 1), "") << "the second start printed something";
        EXPECT_EQ(waitpid(first, &status, WNOHANG), 0) << "the first run ended";
        StopAll();
    }
    EXPECT_EQ(fs::status(TmpFolder()).permissions(), fs::perms::owner_all);
}

TEST_F(SingleInstance, LockFolderInTmpTakenByAnotherUserIsNotUsed)
{
    // Made first by someone else for everyone to write, its lock held: a
    // start neither ends for it nor takes a lock there, and says so.
    in_tmp_ = true;
    fs::create_directory(TmpFolder());
    fs::permissions(TmpFolder(), fs::perms::all);
    int squatter = open(LockFile().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_EQ(flock(squatter, LOCK_EX | LOCK_NB), 0);
    pid_t pid = Start();
    const std::string said = "is not a private folder of this user";
    for (int i = 0; i < 2000 && Output(0).find(said) == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_NE(Output(0).find(said), std::string::npos) << Output(0);
    int status = 0;
    EXPECT_FALSE(Ended(pid, status, 1s)) << "the squatter's lock ended the start";
    close(squatter);
}

TEST_F(SingleInstance, TenSimultaneousStartsLeaveExactlyOne)
{
    std::vector<pid_t> running;
    for (int i = 0; i < 10; ++i)
        running.push_back(Start());
    // Wait until nine have ended; the one left holds the lock, so no late
    // tenth can end after.
    auto until = std::chrono::steady_clock::now() + 20s;
    while (running.size() > 1 && std::chrono::steady_clock::now() < until) {
        std::erase_if(running, [&](pid_t pid) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) != pid)
                return false;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            Forget(pid);
            return true;
        });
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(running.size(), 1u);
    ASSERT_TRUE(WaitForLock());
    int status = 0;
    EXPECT_EQ(waitpid(running[0], &status, WNOHANG), 0) << "the one left has ended too";
}

TEST_F(SingleInstance, CrashedRunDoesNotBlockTheNext)
{
    pid_t crashed = Start();
    ASSERT_TRUE(WaitForLock());
    kill(crashed, SIGKILL);
    waitpid(crashed, nullptr, 0);
    Forget(crashed);
    ASSERT_TRUE(fs::exists(runtime_ / "tarvisk.lock")) << "the crash leaves its file behind";

    pid_t next = Start();
    ASSERT_TRUE(WaitForLock());
    int status = 0;
    EXPECT_FALSE(Ended(next, status, 1s)) << "the next start refused to run";
}

TEST_F(SingleInstance, LeftoverLockFileNamingAnotherProcessIsIgnored)
{
    // Whatever a lock file holds, only a live holder of the lock counts: a
    // process id written there may since belong to anything.
    std::ofstream(runtime_ / "tarvisk.lock") << getppid() << "\n";
    pid_t pid = Start();
    ASSERT_TRUE(WaitForLock());
    int status = 0;
    EXPECT_FALSE(Ended(pid, status, 1s));
}

} // namespace
