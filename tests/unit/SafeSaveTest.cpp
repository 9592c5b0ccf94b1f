#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FileOps.h"
#include "TempDir.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace {

using platform::FileOp;
using platform::SaveTextFile;
using testing_support::Name;

// The steps of a plain save; only the log's save keeps a backup, so Backup is not among them.
constexpr std::array kAllOps = {FileOp::Open,  FileOp::Write,  FileOp::Sync,
                                FileOp::Close, FileOp::Rename, FileOp::SyncDir};

using testing_support::TempDir;

// Plain helpers without gtest assertions, so that a forked child can use them too.
std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::set<std::string> ListDir(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string Join(const std::set<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return "{" + out + "}";
}

// A log-sized text of LF lines that takes several write calls to save.
std::string ManyLines(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += "DATE=2006-01-" + std::to_string(i) + "\nWEIGHT=82.5\n";
  }
  return text;
}

class SafeSaveTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetFileFaultHook({}); }

  TempDir dir_;
  const std::string path_ = dir_ / "diet.dat";
};

TEST_F(SafeSaveTest, WritesTextModeBytesAndReplacesWholly) {
  const mode_t oldMask = ::umask(027);
  const bool created = SaveTextFile(path_, "CREATOR=X\nDATE=A\n");
  ::umask(oldMask);
  ASSERT_TRUE(created);
  EXPECT_EQ(ReadBytes(path_), "CREATOR=X\r\nDATE=A\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "a new file gets 0666 less the umask";

  // Each save replaces the whole file: nothing of a longer old text stays behind.
  const std::pair<std::string_view, std::string_view> saves[] = {
      {"x\n", "x\r\n"},
      {"no line end", "no line end"},
      {"lone\rCR\n\n", "lone\rCR\r\n\r\n"},
      {"", ""},
  };
  for (const auto& [text, bytes] : saves) {
    EXPECT_TRUE(SaveTextFile(path_, text));
    EXPECT_EQ(ReadBytes(path_), bytes);
  }
  EXPECT_EQ(ListDir(dir_.path()), std::set<std::string>{"diet.dat"}) << "a temporary file stayed";
}

TEST_F(SafeSaveTest, KeepsPermissionsAndOwnerAndReplacesByRename) {
  ASSERT_TRUE(WriteBytes(path_, "old\r\n"));
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path_.c_str(), 65534, 65534), 0);
  }
  struct stat before {};
  ASSERT_EQ(::stat(path_.c_str(), &before), 0);

  ASSERT_TRUE(SaveTextFile(path_, "new\n"));

  struct stat after {};
  ASSERT_EQ(::stat(path_.c_str(), &after), 0);
  EXPECT_EQ(ReadBytes(path_), "new\r\n");
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  // A rewrite in place could leave half a file behind a crash; a rename cannot.
  EXPECT_NE(after.st_ino, before.st_ino);
}

struct LinkCase {
  const char* why;
  std::vector<std::pair<std::string, std::string>> links;  // name -> link text, '@' = the dir
  std::string target;
  bool targetExists;
};

TEST_F(SafeSaveTest, ThroughSymbolicLinksUpdatesTheTargetAndKeepsTheLinks) {
  const LinkCase cases[] = {
      {"relative link", {{"diet.dat", "real.dat"}}, "real.dat", true},
      {"absolute link", {{"diet.dat", "@/real.dat"}}, "real.dat", true},
      {"link into a subdirectory", {{"diet.dat", "sub/real.dat"}}, "sub/real.dat", true},
      {"a relative link in a chain counts from its own directory",
       {{"diet.dat", "sub/link"}, {"sub/link", "real.dat"}},
       "sub/real.dat",
       true},
      {"dangling link: its target is created", {{"diet.dat", "sub/real.dat"}}, "sub/real.dat", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    for (const auto& [name, text] : c.links) {
      const std::string linkText = text[0] == '@' ? dir.path() + text.substr(1) : text;
      ASSERT_EQ(::symlink(linkText.c_str(), (dir / name).c_str()), 0) << name;
    }
    if (c.targetExists) {
      ASSERT_TRUE(WriteBytes(dir / c.target, "old\r\n"));
    }

    EXPECT_TRUE(SaveTextFile(dir / c.links.front().first, "DATE=new\n"));

    EXPECT_EQ(ReadBytes(dir / c.target), "DATE=new\r\n");
    for (const auto& [name, text] : c.links) {
      EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name << " is no longer a link";
    }
    for (const std::string& d : {dir.path(), dir / "sub"}) {
      for (const auto& name : ListDir(d)) EXPECT_NE(name[0], '.') << "temporary file left: " << name;
    }
  }
}

TEST_F(SafeSaveTest, RefusesWhatItCannotReplaceAndChangesNothing) {
  struct Case {
    const char* why;
    std::function<void(const TempDir&)> setup;
    std::string path;
  };
  const Case cases[] = {
      {"a directory named like the file",
       [](const TempDir& d) { ASSERT_EQ(::mkdir((d / "diet.dat").c_str(), 0755), 0); }, "diet.dat"},
      {"a link to a directory",
       [](const TempDir& d) {
         ASSERT_EQ(::mkdir((d / "sub").c_str(), 0755), 0);
         ASSERT_EQ(::symlink("sub", (d / "diet.dat").c_str()), 0);
       },
       "diet.dat"},
      {"a loop of links",
       [](const TempDir& d) {
         ASSERT_EQ(::symlink("other", (d / "diet.dat").c_str()), 0);
         ASSERT_EQ(::symlink("diet.dat", (d / "other").c_str()), 0);
       },
       "diet.dat"},
      {"a directory that does not exist", [](const TempDir&) {}, "missing/diet.dat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    c.setup(dir);
    const auto before = ListDir(dir.path());
    EXPECT_FALSE(SaveTextFile(dir / c.path, "DATE=new\n"));
    EXPECT_EQ(ListDir(dir.path()), before);
    if (std::filesystem::is_directory(dir / "sub")) {
      EXPECT_TRUE(ListDir(dir / "sub").empty());
    }
  }
}

// One injected failure: with or without an old file, the n-th call of one step fails.
struct Fault {
  bool existed;
  FileOp op;
  int call;
  int error;
};

// Every failure of every call of every step, given how often a save takes each step.
std::vector<Fault> EveryFault(const std::array<int, kAllOps.size()>& calls) {
  std::vector<Fault> faults;
  for (const bool existed : {true, false}) {
    for (const FileOp op : kAllOps) {
      for (int n = 1; n <= calls[static_cast<std::size_t>(op)]; ++n) {
        for (const int error : {ENOSPC, EIO, EFBIG}) faults.push_back({existed, op, n, error});
      }
    }
  }
  return faults;
}

TEST_F(SafeSaveTest, AnyFailedStepKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string oldBytes = "CREATOR=GIRTHMINDER 1.0\r\nDATE=old\r\n";
  const std::string text = ManyLines(30'000);  // about 1 MB: several write calls
  const std::string newBytes = platform::EncodeTextMode(text);

  // A run without faults tells how often each step is taken.
  std::array<int, kAllOps.size()> calls{};
  platform::SetFileFaultHook([&](FileOp op) {
    ++calls[static_cast<std::size_t>(op)];
    return 0;
  });
  ASSERT_TRUE(SaveTextFile(dir_ / "count.dat", text));
  platform::SetFileFaultHook({});
  ASSERT_TRUE(std::filesystem::remove(dir_ / "count.dat"));
  ASSERT_GE(calls[static_cast<std::size_t>(FileOp::Write)], 3) << "the text should need several writes";
  for (const FileOp op : kAllOps) ASSERT_GE(calls[static_cast<std::size_t>(op)], 1) << Name(op);
  // The directory is opened before the rename and synced after it.
  ASSERT_EQ(calls[static_cast<std::size_t>(FileOp::SyncDir)], 2);

  for (const Fault& f : EveryFault(calls)) {
    SCOPED_TRACE(std::string(f.existed ? "existing file, " : "no file yet, ") + Name(f.op) + " call " +
                 std::to_string(f.call) + " fails with " + std::strerror(f.error));
    std::filesystem::remove(path_);
    if (f.existed) {
      ASSERT_TRUE(WriteBytes(path_, oldBytes));
    }
    int seen = 0;
    platform::SetFileFaultHook([&](FileOp o) { return o == f.op && ++seen == f.call ? f.error : 0; });
    errno = 0;
    const bool saved = SaveTextFile(path_, text);
    const int savedErrno = errno;
    platform::SetFileFaultHook({});

    EXPECT_FALSE(saved);
    EXPECT_EQ(savedErrno, f.error);
    const bool afterRename = f.op == FileOp::SyncDir && f.call == 2;
    const auto bytes = ReadBytes(path_);
    if (afterRename) {
      // Too late to keep the old file: the new one is whole, but may not be durable.
      EXPECT_TRUE(bytes == newBytes);
    } else if (f.existed) {
      EXPECT_TRUE(bytes == oldBytes) << "the old file changed";
    } else {
      EXPECT_FALSE(bytes.has_value()) << "a file was created";
    }
    const auto expected = f.existed || afterRename ? std::set<std::string>{"diet.dat"} : std::set<std::string>{};
    EXPECT_EQ(ListDir(dir_.path()), expected) << Join(ListDir(dir_.path()));
  }
}

TEST_F(SafeSaveTest, FileBytesAreSavedVerbatimAndAsSafely) {
  // Already in file form: no CR is added before an LF, whether it has one or not.
  const std::string_view bytes = "CREATOR=X\r\nDATE=A\r\nbare\n";
  ASSERT_TRUE(platform::SaveFileBytes(path_, bytes));
  EXPECT_EQ(ReadBytes(path_), bytes);

  platform::SetFileFaultHook([](FileOp op) { return op == FileOp::Rename ? EIO : 0; });
  EXPECT_FALSE(platform::SaveFileBytes(path_, "new\r\n"));
  platform::SetFileFaultHook({});
  EXPECT_EQ(ReadBytes(path_), bytes);
  EXPECT_EQ(ListDir(dir_.path()), std::set<std::string>{"diet.dat"});
}

TEST_F(SafeSaveTest, TemporariesLeftByKilledSavesGoWithTheNextSave) {
  // What a save killed before its rename leaves, beside files that only look alike.
  for (const char* name : {".diet.dat.tmp-Ab3xY9", ".diet.dat.tmp-000000", ".diet.dat.backup", ".diet.dat.tmp-toolong",
                           ".other.dat.tmp-Ab3xY9"}) {
    std::ofstream(dir_ / name) << "x";
  }
  ASSERT_EQ(::mkdir((dir_ / ".diet.dat.tmp-dir123").c_str(), 0755), 0);
  platform::SetFileFaultHook([](FileOp op) { return op == FileOp::Rename ? EIO : 0; });
  EXPECT_FALSE(SaveTextFile(path_, "failed\n"));
  platform::SetFileFaultHook({});
  EXPECT_EQ(ListDir(dir_.path()).size(), 6u) << "a failed save removes nothing";

  ASSERT_TRUE(SaveTextFile(path_, "saved\n"));
  EXPECT_EQ(ListDir(dir_.path()), (std::set<std::string>{"diet.dat", ".diet.dat.backup", ".diet.dat.tmp-toolong",
                                                         ".other.dat.tmp-Ab3xY9", ".diet.dat.tmp-dir123"}));
}

TEST_F(SafeSaveTest, InterruptedAndShortWritesAreResumed) {
  const std::string text = ManyLines(30'000);
  const std::string bytes = platform::EncodeTextMode(text);
  struct Case {
    const char* why;
    std::function<int(FileOp, int)> fault;  // the op and how often it was asked, from 1
  };
  const Case cases[] = {
      {"interrupted twice before each kind of call that is retried",
       [](FileOp op, int n) {
         const bool retried = op == FileOp::Write || op == FileOp::Sync || op == FileOp::Open;
         return retried && n <= 2 ? EINTR : 0;
       }},
      {"every write cut short to an odd length", [](FileOp op, int) { return op == FileOp::Write ? -4093 : 0; }},
      {"short and interrupted writes mixed",
       [](FileOp op, int n) { return op != FileOp::Write ? 0
                                     : n % 3 == 0        ? EINTR
                                                         : -(n * 7919); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_TRUE(WriteBytes(path_, "old\r\n"));
    std::array<int, kAllOps.size()> seen{};
    platform::SetFileFaultHook([&](FileOp op) { return c.fault(op, ++seen[static_cast<std::size_t>(op)]); });
    EXPECT_TRUE(SaveTextFile(path_, text));
    platform::SetFileFaultHook({});
    EXPECT_TRUE(ReadBytes(path_) == bytes);
    EXPECT_EQ(ListDir(dir_.path()), std::set<std::string>{"diet.dat"});
  }
}

TEST_F(SafeSaveTest, RealFileSizeLimitFailsTheSave) {
  const std::string oldBytes = "DATE=old\r\n";
  ASSERT_TRUE(WriteBytes(path_, oldBytes));
  const std::string text = ManyLines(20'000);  // far beyond the limit below

  struct rlimit oldLimit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  if (oldLimit.rlim_max != RLIM_INFINITY && oldLimit.rlim_max < rlim_t{64} * 1024) {
    GTEST_SKIP() << "the hard file size limit is already below the test's limit";
  }
  struct sigaction ignore {
  }, oldAction{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &oldAction), 0);
  struct rlimit limit = oldLimit;
  limit.rlim_cur = rlim_t{64} * 1024;  // the first write is cut short, the next one fails with EFBIG
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

  const bool saved = SaveTextFile(path_, text);
  const int savedErrno = errno;

  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  ASSERT_EQ(::sigaction(SIGXFSZ, &oldAction, nullptr), 0);
  EXPECT_FALSE(saved);
  EXPECT_EQ(savedErrno, EFBIG);
  EXPECT_EQ(ReadBytes(path_), oldBytes);
  EXPECT_EQ(ListDir(dir_.path()), std::set<std::string>{"diet.dat"});
}

// Root ignores file modes, so permission cases run as an ordinary user: as ourselves when we
// are not root, otherwise in a forked child that drops to nobody (65534). The body gets a
// directory that user owns and returns "" when all holds, "SKIP: why" when the case cannot
// prove anything here, or what went wrong.
struct UserRun {
  std::string who;
  std::string outcome;
};

UserRun RunAsOrdinaryUser(const TempDir& dir, std::string (*body)(const std::string& dir)) {
  if (::geteuid() != 0) {
    return {"uid " + std::to_string(::geteuid()) + " (not root)", body(dir.path())};
  }
  constexpr uid_t kNobody = 65534;
  if (::chown(dir.path().c_str(), kNobody, kNobody) != 0) {
    return {"root", std::string("SKIP: cannot give the test directory to nobody: ") + std::strerror(errno)};
  }
  int fds[2];
  if (::pipe(fds) != 0) return {"root", "cannot create a pipe"};
  const pid_t child = ::fork();
  if (child < 0) return {"root", "cannot fork"};
  if (child == 0) {
    ::close(fds[0]);
    std::string outcome;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
        ::setresuid(kNobody, kNobody, kNobody) != 0) {
      outcome = std::string("SKIP: cannot drop root privileges: ") + std::strerror(errno);
    } else {
      outcome = body(dir.path());
    }
    std::size_t done = 0;
    while (done < outcome.size()) {
      const ssize_t n = ::write(fds[1], outcome.data() + done, outcome.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);  // no atexit handlers, no second test report
  }
  ::close(fds[1]);
  std::string outcome;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    outcome.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) outcome += " (the child process died)";
  return {"root, checked in a child dropped to uid 65534", outcome};
}

void Report(const UserRun& run) {
  ::testing::Test::RecordProperty("ran_as", run.who);
  std::cout << "[   INFO   ] ran as " << run.who << "\n";
  if (run.outcome.rfind("SKIP: ", 0) == 0) GTEST_SKIP() << run.outcome.substr(6) << " (" << run.who << ")";
  EXPECT_EQ(run.outcome, "") << "ran as " << run.who;
}

// Whether file modes bind this process; for root or CAP_DAC_OVERRIDE they do not.
bool ModesBind(const std::string& file, int flags) {
  const int fd = ::open(file.c_str(), flags);
  if (fd >= 0) ::close(fd);
  return fd < 0 && errno == EACCES;
}

std::string ReadOnlyTargetBody(const std::string& dir) {
  std::string failures;
  const auto check = [&](bool ok, const std::string& what) {
    if (!ok) failures += what + "; ";
  };

  const std::string file = dir + "/diet.dat";
  if (!WriteBytes(file, "old\r\n") || ::chmod(file.c_str(), 0444) != 0) return "setup failed";
  if (!ModesBind(file, O_WRONLY)) return "SKIP: file modes do not bind this user";
  check(!SaveTextFile(file, "new\n"), "a read-only file was replaced");
  check(ReadBytes(file) == "old\r\n", "the read-only file changed");
  struct stat st {};
  check(::stat(file.c_str(), &st) == 0 && (st.st_mode & 07777) == 0444, "its mode changed");

  // The same directory takes a writable file's save, so the refusal came from the file.
  const std::string other = dir + "/other.dat";
  check(WriteBytes(other, "old\r\n") && ::chmod(other.c_str(), 0644) == 0, "setup of other.dat");
  check(SaveTextFile(other, "new\n"), "a writable file was not saved");
  check(ReadBytes(other) == "new\r\n", "other.dat holds the wrong bytes");
  check(ListDir(dir) == std::set<std::string>{"diet.dat", "other.dat"}, "temporary file left: " + Join(ListDir(dir)));

  // In a read-only directory no temporary file can be made: the file stays as it was.
  const std::string locked = dir + "/locked";
  check(::mkdir(locked.c_str(), 0755) == 0 && WriteBytes(locked + "/diet.dat", "old\r\n") &&
            ::chmod(locked.c_str(), 0555) == 0,
        "setup of locked/");
  check(!SaveTextFile(locked + "/diet.dat", "new\n"), "saved into a read-only directory");
  check(ReadBytes(locked + "/diet.dat") == "old\r\n", "the file in locked/ changed");
  check(ListDir(locked) == std::set<std::string>{"diet.dat"}, "locked/ changed: " + Join(ListDir(locked)));
  ::chmod(locked.c_str(), 0755);  // so that the directory can be removed
  return failures;
}

std::string UnreadableFileBody(const std::string& dir) {
  const std::string file = dir + "/diet.dat";
  if (!WriteBytes(file, "DATE=x\r\n") || ::chmod(file.c_str(), 0200) != 0) return "setup failed";
  if (!ModesBind(file, O_RDONLY)) return "SKIP: file modes do not bind this user";
  std::string failures;
  if (platform::ReadTextFile(file).status != platform::TextReadStatus::OpenFailed) {
    failures += "an unreadable file did not fail to open; ";
  }
  if (!platform::FileExists(file)) failures += "an unreadable file was taken for a missing one; ";
  ::chmod(file.c_str(), 0600);
  if (ReadBytes(file) != "DATE=x\r\n") failures += "the unreadable file was changed; ";

  // Behind a directory we may not search, whether the file is there cannot be told.
  const std::string closed = dir + "/closed";
  if (::mkdir(closed.c_str(), 0700) != 0 || !WriteBytes(closed + "/diet.dat", "x") || ::chmod(closed.c_str(), 0) != 0) {
    return failures + "setup of closed/ failed";
  }
  if (!platform::FileExists(closed + "/diet.dat")) failures += "a hidden file was called missing; ";
  ::chmod(closed.c_str(), 0700);  // so that the directory can be removed
  return failures;
}

TEST(FileModesTest, ReadOnlyTargetIsNotReplaced) {
  TempDir dir;
  Report(RunAsOrdinaryUser(dir, ReadOnlyTargetBody));
}

TEST(FileModesTest, UnreadableFileFailsToOpenAndStays) {
  TempDir dir;
  Report(RunAsOrdinaryUser(dir, UnreadableFileBody));
}

}  // namespace
