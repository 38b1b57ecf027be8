#include <windows.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

std::u16string UniqueName(const char* what) {
  std::string name =
      std::string("updater-test-") + what + "-" + std::to_string(getpid());
  return std::u16string(name.begin(), name.end());
}

TEST(NamedMutexTest, SecondHolderSeesItAlreadyExists) {
  std::u16string name = UniqueName("second");
  HANDLE first = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  HANDLE second = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_TRUE(CloseHandle(first));

  HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  CloseHandle(again);
}

TEST(NamedMutexTest, VanishesWhenItsHolderIsKilled) {
  std::u16string name = UniqueName("killed");
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CreateMutexW(nullptr, FALSE, name.c_str());
    char byte = 1;
    if (write(ready[1], &byte, 1) != 1)
      _exit(1);
    pause();
    _exit(0);
  }
  char byte;
  ASSERT_EQ(1, read(ready[0], &byte, 1));
  HANDLE while_held = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  CloseHandle(while_held);

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  HANDLE after = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  CloseHandle(after);
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
