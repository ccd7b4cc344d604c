// Replacing a file in one step, under the faults that used to leave half files behind.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "common/AtomicWrite.h"
#include "common/Digest.h"
#include "common/Errors.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

// Runs body in a child process with a file-size limit, as a full disk would stop it.
int WithFileSizeLimit(rlim_t bytes, const std::function<void()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // a short write instead of a killed process
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            body();
        } catch (const EWriteError&) {
            _exit(3);
        } catch (...) {
            _exit(4);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AtomicWrite, ReplacesWholeAndAFailedWriteKeepsTheOldFile) {
    TempDir dir("atomic");
    const std::string path = dir.file("book.pdf");
    WriteFileAtomic(path, "old and whole");
    WriteFileAtomic(path, "new");
    EXPECT_EQ(ReadFile(path), "new");

    const std::string big(1 << 20, 'x');
    EXPECT_EQ(WithFileSizeLimit(64 * 1024, [&] { WriteFileAtomic(path, big); }), 3);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"book.pdf"}) << "no temporary left";

    EXPECT_THROW(WriteFileAtomic(dir.file("missing/x.html"), "x"), EFCreateError);
}

TEST(Digest, Sha256OfKnownText) {
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Sha256 pieces;
    EXPECT_EQ(pieces.Add("a").Add("bc").Hex(), Sha256Hex("abc"));
}

}  // namespace
}  // namespace quill::test
